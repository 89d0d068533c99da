#!/usr/bin/env python3
"""The memory of one window after a few navigations, for builds or settings side by side.

Each variant (a build of the program, or the same build with environment variables of its own)
is branded to a loopback page, started, and sent N new addresses one after the other over the
remote channel (`wbctl send`), then the first address again, as Back would load it; two seconds
after the last page has loaded, the PSS of the whole process tree and of each process is read,
with its anonymous part (Pss_Anon). The variants run in turns (A B C, A B C, ...), so the
machine's other work falls on all of them alike; the medians are reported.

  memory_bench.py --wbctl build/wbctl --variant base=build/webbrowser \\
      --variant arenas=build/webbrowser:MALLOC_ARENA_MAX=2 --runs 5

Started as root, the program runs as the unprivileged user of bench/lib, with the engine's
sandbox, as for a person. Run it under a display (Xvfb).
"""
import argparse
import os
import queue
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no cache files in the source tree
here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "lib"))
sys.path.insert(0, os.path.join(here, "..", "soak"))
import soak_bench  # noqa: E402
import wbbench  # noqa: E402


def parse_variant(text):
    """NAME=PATH[:VAR=VALUE[:VAR=VALUE...]]"""
    name, rest = text.split("=", 1)
    parts = rest.split(":")
    env = {}
    for p in parts[1:]:
        var, value = p.split("=", 1)
        env[var] = value
    return name, parts[0], env


def run_once(args, server, session, exe, env_extra):
    scratch = tempfile.mkdtemp(prefix="wbmem-")
    server.loaded = queue.Queue()
    server.count = 0
    try:
        env = wbbench.fresh_env(scratch, session, env_extra)
        proc = wbbench.start_program(exe, env, session)
        try:
            addresses = ["%s/p/%d" % (server.base, 1000 + i) for i in range(args.navigations)]
            addresses.append("%s/p/0" % server.base)
            server.loaded.get(timeout=args.timeout)
            for address in addresses:
                wbbench.send_address(args.wbctl, proc.pid, address, env, session)
                server.loaded.get(timeout=args.timeout)
            time.sleep(args.settle)
            return wbbench.tree_memory(proc.pid)
        finally:
            wbbench.stop_tree(proc)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--wbctl", required=True)
    ap.add_argument("--variant", action="append", required=True,
                    help="NAME=PROGRAM[:VAR=VALUE...], in the order of the table")
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--navigations", type=int, default=5, help="new addresses sent per run")
    ap.add_argument("--settle", type=float, default=2.0)
    ap.add_argument("--timeout", type=float, default=30.0)
    ap.add_argument("--user", default="wbbench")
    ap.add_argument("--line", action="append", default=[],
                    help="a further name=value line of the copies' block (gpu=1, webinfo=1)")
    args = ap.parse_args()
    if not os.environ.get("DISPLAY") and not os.environ.get("WAYLAND_DISPLAY"):
        ap.error("no display: run under Xvfb")
    server = soak_bench.Server(0)
    server.hold = set(range(0, 1 << 20))  # the pages never click: the harness sends each address
    place = wbbench.Workplace(args.user, server, "wbmem-copies-", args.wbctl)
    run_as, session, work = place.run_as, place.session, place.work
    args.wbctl = wbctl = place.wbctl
    try:
        variants = []
        for i, text in enumerate(args.variant):
            name, program, env = parse_variant(text)
            exe = os.path.join(work, "mem-app-%d" % i)
            subprocess.run([wbctl, "brand", program, exe, "title=Memory",
                            "go=%s/p/0" % server.base, "width=1024", "height=768"] + args.line,
                           check=True, stdout=subprocess.DEVNULL)
            run_as.readable(exe)
            variants.append((name, exe, env, []))
        for run in range(args.runs):
            for name, exe, env, results in variants:
                total, parts = run_once(args, server, session, exe, env)
                results.append((total, parts))
                print("run %d %s: PSS %.1f MB (%s)" % (run + 1, name, total, ", ".join(
                    "%s %.1f" % (n, v) for (n, f), v in sorted(parts.items())
                    if f == "Pss:" and v > 0.5)), flush=True)
        print()
        print("| variant | PSS (median) | anonymous | program | program anonymous |"
              " web process | network process |")
        print("|---|---|---|---|---|---|---|")
        for name, exe, env, results in variants:
            def med(key):
                return statistics.median(r[1].get(key, 0.0) for r in results)
            anon = statistics.median(sum(v for (n, f), v in r[1].items() if f == "Pss_Anon:")
                                     for r in results)
            prog = os.path.basename(exe)[:15]
            print("| %s | %.1f MB | %.1f MB | %.1f MB | %.1f MB | %.1f MB | %.1f MB |" % (
                name, statistics.median(r[0] for r in results), anon, med((prog, "Pss:")),
                med((prog, "Pss_Anon:")), med(("WebKitWebProces", "Pss:")),
                med(("WebKitNetworkPr", "Pss:"))))
    finally:
        place.close()


if __name__ == "__main__":
    main()
