#!/usr/bin/env python3
"""Measures what the info banner costs in memory.

Runs a branded copy of the program twice on a virtual display, with the banner ("webinfo=1")
and without it ("webinfo=0"), against a gateway served on loopback, and reports the
proportional set size (PSS) of the whole process tree: the program and the engine's web and
network processes. PSS shares each shared page among the processes that map it, so the sum
over the tree is what the program really costs. Each case runs several times; the median is
reported.

Usage: scripts/measure-banner-pss.py [--build DIR] [--runs N] [--settle SECONDS]
"""
import argparse
import http.server
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

# The process-tree walk and the PSS reading are the start-up benchmark's own.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "bench", "startup"))
from startup_bench import pss_kib, tree_pids  # noqa: E402


class Page(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        body = (b"<html><body style='margin:0;padding:6px 24px;font:13px sans-serif'>"
                b"<b>Morvane news</b> - a page of some text, as the gateway serves it."
                b"</body></html>")
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def name_of(pid):
    try:
        with open(f"/proc/{pid}/comm") as f:
            return f.read().strip()
    except OSError:
        return "?"


def measure(exe, base, settle):
    env = dict(os.environ, WB_TEST_BASE_WEB_ADDRESS=base)
    program = subprocess.Popen([exe], env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        time.sleep(settle)
        parts = {}
        for pid in tree_pids(program.pid):
            # Helpers that only start the engine's processes (a sandbox launcher) map little;
            # they are counted like everything else.
            parts[name_of(pid)] = parts.get(name_of(pid), 0) + pss_kib(pid)
        return sum(parts.values()), parts
    finally:
        program.terminate()
        try:
            program.wait(10)
        except subprocess.TimeoutExpired:
            program.kill()
            program.wait()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--settle", type=float, default=8.0)
    args = parser.parse_args()

    if not os.environ.get("DISPLAY") and not os.environ.get("WAYLAND_DISPLAY"):
        os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1600x1200x24",
                               sys.executable] + sys.argv)

    webbrowser = os.path.join(args.build, "webbrowser")
    wbctl = os.path.join(args.build, "wbctl")
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Page)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = f"http://127.0.0.1:{server.server_address[1]}"

    work = tempfile.mkdtemp(prefix="wb-pss-")
    try:
        # A home of its own, so the runs neither read nor write the real user's settings.
        for var in ("HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"):
            os.environ[var] = os.path.join(work, var.lower())
            os.makedirs(os.environ[var], exist_ok=True)
        results = {}
        for webinfo in ("0", "1"):
            exe = os.path.join(work, f"webbrowser-webinfo{webinfo}")
            subprocess.run([wbctl, "brand", webbrowser, exe, "title=PSS", f"webinfo={webinfo}",
                            f"go={base}/start"], check=True, stdout=subprocess.DEVNULL)
            runs = [measure(exe, base, args.settle) for _ in range(args.runs)]
            totals = [total for total, _ in runs]
            median = statistics.median(totals)
            results[webinfo] = median
            parts = min(runs, key=lambda r: abs(r[0] - median))[1]
            detail = ", ".join(f"{name} {kib / 1024:.1f}" for name, kib in sorted(parts.items()))
            label = "with banner   " if webinfo == "1" else "without banner"
            print(f"{label}: {median / 1024:.1f} MiB PSS (median of {args.runs}, range "
                  f"{min(totals) / 1024:.1f}-{max(totals) / 1024:.1f}; {detail})")
        cost = results["1"] - results["0"]
        print(f"the banner costs {cost / 1024:.1f} MiB PSS "
              f"({100.0 * cost / results['0']:.0f}% of the program without it)")
    finally:
        server.shutdown()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
