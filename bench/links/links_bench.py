#!/usr/bin/env python3
"""How the start-up time grows with the number of link entries in a copy's block: for each
count, a copy branded with that many `links=` entries (and the link bar hidden, as people with
long lists keep it) is started, and the time from the start of the process to the first answer
of `wbctl state` is taken, the best of --runs starts. The time per link should stay about the
same from one count to the next: the bar is built once, not once per entry. Needs a display;
settings and sockets go to a temporary HOME and XDG folders.

Usage: links_bench.py --webbrowser PATH --wbctl PATH [--counts 1000,4000,...] [--runs N]"""
import argparse
import os
import subprocess
import sys
import tempfile
import time


def started_until_state(exe, app, wbctl, env, limit_s):
    begin = time.monotonic()
    window = subprocess.Popen([exe], env=env)
    try:
        while True:
            state = subprocess.run([wbctl, "state", "--app", app], env=env,
                                   capture_output=True, text=True)
            if state.returncode == 0:
                return time.monotonic() - begin
            if window.poll() is not None:
                sys.exit("links_bench: the window ended with %d" % window.returncode)
            if time.monotonic() - begin > limit_s:
                sys.exit("links_bench: no answer within %d s" % limit_s)
            time.sleep(0.02)
    finally:
        window.terminate()
        try:
            window.wait(timeout=30)
        except subprocess.TimeoutExpired:
            window.kill()
            window.wait()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--webbrowser", required=True)
    parser.add_argument("--wbctl", required=True)
    parser.add_argument("--counts", default="1000,4000,8000,16000")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--limit", type=int, default=600, help="seconds per start at most")
    args = parser.parse_args()
    counts = [int(c) for c in args.counts.split(",")]

    with tempfile.TemporaryDirectory(prefix="wb-links-bench-") as root:
        env = dict(os.environ, HOME=root)
        for name in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"):
            path = os.path.join(root, name.lower())
            os.makedirs(path, mode=0o700)
            env[name] = path
        print("%8s %12s %14s" % ("links", "start (s)", "per link (ms)"))
        for count in counts:
            app = "links-bench-%d" % count
            exe = os.path.join(root, app)
            links = "|".join("Link%d=http://127.0.0.1:9/%d,%d" % (i, i, i % 3)
                             for i in range(count))
            # A long list is more than one command-line argument may hold: it goes in a file.
            block = os.path.join(root, app + ".txt")
            with open(block, "w", encoding="ascii") as f:
                f.write("go=about:blank\ntitle=Links\nvis=mnas\nlinks=%s\n" % links)
            subprocess.run([args.wbctl, "brand", args.webbrowser, exe, "--from", block],
                           check=True, env=env)
            best = min(started_until_state(exe, app, args.wbctl, env, args.limit)
                       for _ in range(args.runs))
            print("%8d %12.2f %14.3f" % (count, best, best * 1000 / count), flush=True)


main()
