#!/usr/bin/env python3
"""How long a second start of a copy with single=1 takes to hand its address to the running
window and end: from the start of the process to its exit, over --runs starts. Needs a display
(the first window runs on it); settings and sockets go to a temporary HOME and XDG folders.

Usage: single_bench.py --webbrowser PATH --wbctl PATH [--runs N]"""
import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--webbrowser", required=True)
    parser.add_argument("--wbctl", required=True)
    parser.add_argument("--runs", type=int, default=20)
    args = parser.parse_args()

    with tempfile.TemporaryDirectory(prefix="wb-single-bench-") as root:
        env = dict(os.environ, HOME=root)
        for name in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"):
            path = os.path.join(root, name.lower())
            os.makedirs(path, mode=0o700)
            env[name] = path
        exe = os.path.join(root, "single-bench")
        subprocess.run([args.wbctl, "brand", args.webbrowser, exe, "single=1", "go=about:blank",
                        "title=Single"], check=True, env=env)
        first = subprocess.Popen([exe], env=env)
        try:
            deadline = time.monotonic() + 60
            while True:
                state = subprocess.run([args.wbctl, "state", "--app", "single-bench"], env=env,
                                       capture_output=True, text=True)
                if state.returncode == 0:
                    break
                if time.monotonic() > deadline or first.poll() is not None:
                    sys.exit("single_bench: the first window did not come up")
                time.sleep(0.1)
            times = []
            for i in range(args.runs):
                begin = time.monotonic()
                code = subprocess.run([exe, "about:blank#%d" % i], env=env).returncode
                times.append((time.monotonic() - begin) * 1000)
                if code != 0:
                    sys.exit("single_bench: a second start ended with %d" % code)
            history = json.loads(subprocess.run(
                [args.wbctl, "state", "--app", "single-bench"], env=env, capture_output=True,
                text=True, check=True).stdout)["history"]
        finally:
            first.terminate()
            first.wait(timeout=10)
    print("second start, handed over and ended: median %.1f ms, max %.1f ms over %d starts"
          % (statistics.median(times), max(times), len(times)))
    print("the window's last address: %s" % history[-1])


main()
