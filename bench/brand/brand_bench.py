#!/usr/bin/env python3
"""How fast `wbctl brand` makes a branded copy, and what the copy adds to the program's size.

Runs `wbctl brand PROGRAM COPY name=value...` once as a warm-up and then N times (default 20),
timing each run from process start to exit, and prints the median and range. Then it compares
the copy with the program: a branded copy is the program's ELF image followed by exactly one
block (line end, boundary line, content), so its size must be the image end plus those bytes;
whatever the program itself had appended (its shipped block) is replaced, not kept.

Usage: bench/brand/brand_bench.py --wbctl build/wbctl --program build/webbrowser [--runs 20]
"""
import argparse
import os
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time

LINES = ["title=Acme Orders", "go=https://orders.acme.example/", "width=1200", "height=800",
         "links=Home=https://acme.example|Help=https://acme.example/help", "webinfo=0"]


def elf_image_end(path):
    """The end of the ELF image: the furthest header table, section or segment."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"\x7fELF":
        sys.exit("%s is not an ELF file" % path)
    is64 = data[4] == 2
    order = "<" if data[5] == 1 else ">"
    if is64:
        phoff, shoff = struct.unpack_from(order + "QQ", data, 32)
        phentsize, phnum, shentsize, shnum = struct.unpack_from(order + "HHHH", data, 54)
        header = 64
    else:
        phoff, shoff = struct.unpack_from(order + "II", data, 28)
        phentsize, phnum, shentsize, shnum = struct.unpack_from(order + "HHHH", data, 42)
        header = 52
    end = max(header, phoff + phnum * phentsize, shoff + shnum * shentsize)
    for i in range(phnum):
        e = phoff + i * phentsize
        if is64:
            off, filesz = struct.unpack_from(order + "Q", data, e + 8)[0], \
                struct.unpack_from(order + "Q", data, e + 32)[0]
        else:
            off, filesz = struct.unpack_from(order + "I", data, e + 4)[0], \
                struct.unpack_from(order + "I", data, e + 16)[0]
        end = max(end, off + filesz)
    for i in range(shnum):
        e = shoff + i * shentsize
        if is64:
            kind = struct.unpack_from(order + "I", data, e + 4)[0]
            off, size = struct.unpack_from(order + "QQ", data, e + 24)
        else:
            kind = struct.unpack_from(order + "I", data, e + 4)[0]
            off, size = struct.unpack_from(order + "II", data, e + 16)
        if kind not in (0, 8):  # SHT_NULL, SHT_NOBITS
            end = max(end, off + size)
    return end


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--wbctl", required=True)
    ap.add_argument("--program", required=True, help="the executable to brand")
    ap.add_argument("--runs", type=int, default=20)
    args = ap.parse_args()

    work = tempfile.mkdtemp(prefix="wbbench-brand-")
    try:
        copy = os.path.join(work, "acme-orders")
        times = []
        for run in range(args.runs + 1):
            if os.path.exists(copy):
                os.remove(copy)
            start = time.monotonic()
            subprocess.run([args.wbctl, "brand", args.program, copy] + LINES, check=True,
                           stdout=subprocess.DEVNULL)
            elapsed = (time.monotonic() - start) * 1000.0
            if run:
                times.append(elapsed)

        program_size = os.path.getsize(args.program)
        image_end = elf_image_end(args.program)
        copy_size = os.path.getsize(copy)
        content = "\r\n".join(LINES).encode("cp1252")
        block = b"\r\n--!x_bound_x[WebBrowser]--\r\n"
        with open(copy, "rb") as f:
            f.seek(image_end)
            tail = f.read()
        added = copy_size - image_end
        print("wbctl brand of %s (%d bytes), %d runs after one warm-up:"
              % (os.path.basename(args.program), program_size, args.runs))
        print("| figure | value |")
        print("|---|---|")
        print("| time per copy, median [min-max] | %.1f ms [%.1f-%.1f] |"
              % (statistics.median(times), min(times), max(times)))
        print("| program size / its ELF image | %d / %d bytes (shipped block %d bytes) |"
              % (program_size, image_end, program_size - image_end))
        print("| branded copy size | %d bytes = image + %d bytes |" % (copy_size, added))
        print("| block written (line end, boundary line, %d lines) | %d bytes |"
              % (len(LINES), len(block) + len(content)))
        ok = tail.startswith(block) and added <= len(block) + len(content) + 2 and \
            copy_size >= image_end
        print("| copy = image + block only | %s |" % ("yes" if ok else "NO"))
        if not ok:
            sys.exit(1)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
