#!/usr/bin/env python3
"""How fast `wbctl package --deb` makes the Debian package of a large branded copy, against
`dpkg-deb --build` of the same tree.

Makes a copy of about 30 MB: the program (with its debug information) with a section of its own
bytes added (objcopy), so that it compresses as the program does, branded with an icon. Runs
`wbctl package --deb` once as a warm-up and then N times (default 5), timing each run from
process start to exit. Then unpacks the package (`dpkg-deb -R`) and times `dpkg-deb --build`
of that tree N times, with gzip -6 as wbctl writes it and with dpkg-deb's own default (xz).
Prints the median and range of each and the sizes of the packages.

Usage: bench/package/package_bench.py --wbctl build/wbctl --program build/webbrowser [--runs 5]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

TARGET_BYTES = 30 * 1000 * 1000


def timed(args, env=None):
    start = time.perf_counter()
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, env=env)
    return (time.perf_counter() - start) * 1000.0


def summary(times):
    return "%.0f ms [%.0f-%.0f]" % (statistics.median(times), min(times), max(times))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wbctl", required=True)
    parser.add_argument("--program", required=True)
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    for tool in ("objcopy", "dpkg-deb"):
        if shutil.which(tool) is None:
            sys.exit("package_bench: %s is not installed" % tool)
    work = tempfile.mkdtemp(prefix="wb-package-bench-")
    try:
        program = os.path.abspath(args.program)
        size = os.path.getsize(program)
        padded = os.path.join(work, "program")
        if size < TARGET_BYTES:
            with open(program, "rb") as f:
                own = f.read()
            pad = os.path.join(work, "pad")
            with open(pad, "wb") as f:
                f.write((own * (1 + (TARGET_BYTES - size) // len(own)))[:TARGET_BYTES - size])
            subprocess.run(["objcopy", "--add-section", ".bench.pad=" + pad, program, padded],
                           check=True)
        else:
            shutil.copy(program, padded)
        icon = os.path.join(work, "icon.svg")
        with open(icon, "w") as f:
            f.write('<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64">'
                    '<rect width="64" height="64" fill="#C8102E"/></svg>\n')
        copy = os.path.join(work, "acme-big")
        subprocess.run([args.wbctl, "brand", padded, copy, "--icon", icon, "title=Acme Big",
                        "go=https://big.acme.example"], check=True, stdout=subprocess.DEVNULL)
        out = os.path.join(work, "out")
        os.mkdir(out)
        env = dict(os.environ, SOURCE_DATE_EPOCH="1700000000")
        package = [args.wbctl, "package", "--deb", "--exe", copy, "--out", out,
                   "--maintainer", "Acme Ltd <pkg@acme.example>"]
        timed(package, env)
        ours = [timed(package, env) for _ in range(args.runs)]
        deb = os.path.join(out, os.listdir(out)[0])

        tree = os.path.join(work, "tree")
        subprocess.run(["dpkg-deb", "-R", deb, tree], check=True)
        results = {}
        for label, options in (("gzip -6", ["-Zgzip", "-z6"]), ("xz (default)", [])):
            built = os.path.join(work, "built.deb")
            build = ["dpkg-deb", "--root-owner-group"] + options + ["--build", tree, built]
            timed(build, env)
            results[label] = ([timed(build, env) for _ in range(args.runs)],
                              os.path.getsize(built))

        print("copy: %d bytes (%s)" % (os.path.getsize(copy), os.path.basename(copy)))
        print("| tool | time per package, median [range] | package |")
        print("|---|---|---|")
        print("| `wbctl package --deb` (gzip -6) | %s | %d bytes |"
              % (summary(ours), os.path.getsize(deb)))
        for label, (times, built_size) in results.items():
            print("| `dpkg-deb --build`, %s | %s | %d bytes |" % (label, summary(times), built_size))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
