#!/usr/bin/env python3
"""Start-up time and memory of the program against the bare engine and a browser's app window.

One page is served on loopback; its onload handler requests a beacon address from the same
server. Each contender is started in turn (A B C D, A B C D, ...), once as a warm-up that is not
counted and then N times. For every run the harness records

  * the time from process start (just before fork/exec) to the beacon request, and
  * the proportional set size (PSS) of the contender's whole process tree, the web and network
    processes included, two seconds after the beacon: the sum of "Pss:" in
    /proc/PID/smaps_rollup over every process that descends from the contender or stayed in
    the session it was started in.

Contenders:
  webbrowser      our program, branded to the page with `wbctl brand`
  floor           bench/engine_floor.cpp: one WebKitGTK web view, default engine settings
  chromium        Chromium in app mode with a fresh profile (skipped when not installed)
  webbrowser+info our program with "webinfo" true, its gateway on the same loopback server

Every run gets a fresh HOME and XDG directories, so caches and settings never carry over from
one run to the next. Run it under a display (scripts/bench.sh uses Xvfb when there is none).
"""
import argparse
import http.server
import json
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

PAGE = b"""<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Start-up benchmark</title>
<style>
body { font-family: sans-serif; margin: 2em; background: #f4f4f0; color: #222 }
h1 { color: #345 } .card { background: #fff; border-radius: 6px; padding: 1em; margin: 1em 0 }
</style></head>
<body>
<h1>Start-up benchmark</h1>
<div class="card"><p>A small page with some text, a style sheet and a script, as a web
application's first screen would have. When it has loaded, it tells the benchmark server.</p>
<ul><li>One</li><li>Two</li><li>Three</li></ul></div>
<script>
window.onload = function () {
  fetch('/beacon?t=' + Date.now(), { cache: 'no-store' });
};
</script>
</body></html>
"""

INFO_PAGE = b"""<!DOCTYPE html><html><head><meta charset="utf-8"><title>Info</title></head>
<body style="margin:0;font:12px sans-serif">News from the maker.</body></html>"""


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self):
        super().__init__(("127.0.0.1", 0), Handler)
        self.beacon = threading.Event()
        self.beacon_time = 0.0
        self.gateway_hits = 0

    @property
    def base(self):
        return "http://127.0.0.1:%d" % self.server_address[1]


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def reply(self, status, body, ctype="text/html; charset=utf-8"):
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        path = self.path
        if path.startswith("/beacon"):
            if not self.server.beacon.is_set():
                self.server.beacon_time = time.monotonic()
                self.server.beacon.set()
            self.reply(204, b"", "text/plain")
        elif path == "/" or path.startswith("/?") or path.startswith("/page"):
            self.reply(200, PAGE)
        elif path.startswith("/gw/"):
            self.server.gateway_hits += 1
            self.reply(200, INFO_PAGE)
        else:
            self.reply(404, b"not found", "text/plain")


# --- Process trees --------------------------------------------------------------------------

def read_stat(pid):
    """(ppid, session id) of a process, or None when it is gone."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            data = f.read()
    except OSError:
        return None
    # The command name is in parentheses and may itself hold ")" or blanks.
    fields = data[data.rindex(")") + 2:].split()
    return int(fields[1]), int(fields[3])


def tree_pids(root):
    """The root, its descendants, and every process still in the root's session."""
    stats = {}
    for name in os.listdir("/proc"):
        if name.isdigit():
            s = read_stat(int(name))
            if s:
                stats[int(name)] = s
    children = {}
    for pid, (ppid, _) in stats.items():
        children.setdefault(ppid, []).append(pid)
    found = {root}
    todo = [root]
    while todo:
        for child in children.get(todo.pop(), []):
            if child not in found:
                found.add(child)
                todo.append(child)
    found |= {pid for pid, (_, sid) in stats.items() if sid == root}
    return sorted(found)


def pss_kib(pid):
    try:
        with open("/proc/%d/smaps_rollup" % pid) as f:
            for line in f:
                if line.startswith("Pss:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def tree_report(root):
    pids = tree_pids(root)
    total = 0
    parts = []
    for pid in pids:
        kib = pss_kib(pid)
        total += kib
        try:
            with open("/proc/%d/comm" % pid) as f:
                parts.append((f.read().strip(), kib))
        except OSError:
            pass
    return total, parts


def stop_tree(proc):
    """Ends a contender: its process group, then whatever of its tree is left."""
    root = proc.pid
    pids = tree_pids(root)
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.killpg(root, sig)
        except OSError:
            pass
        for pid in pids:
            try:
                os.kill(pid, sig)
            except OSError:
                pass
        try:
            proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            continue
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline and any(read_stat(p) for p in pids if p != root):
            time.sleep(0.05)
        if not any(read_stat(p) for p in pids if p != root):
            return
    proc.wait()


# --- Contenders -----------------------------------------------------------------------------

class Contender:
    def __init__(self, key, label, argv, env=None):
        self.key = key
        self.label = label
        self.argv = argv
        self.env = env or {}
        self.times = []
        self.pss = []
        self.failures = 0
        self.last_parts = []


def fresh_env(scratch, extra):
    """The environment of one run: a fresh HOME and XDG directories under `scratch`."""
    env = dict(os.environ)
    for var, sub in (("HOME", "home"), ("XDG_CONFIG_HOME", "config"), ("XDG_CACHE_HOME", "cache"),
                     ("XDG_DATA_HOME", "data"), ("XDG_STATE_HOME", "state"),
                     ("XDG_RUNTIME_DIR", "runtime")):
        path = os.path.join(scratch, sub)
        os.makedirs(path, mode=0o700, exist_ok=True)
        env[var] = path
    env["NO_AT_BRIDGE"] = "1"
    env.update(extra)
    return env


def run_once(server, contender, settle, timeout, verbose):
    scratch = tempfile.mkdtemp(prefix="wbbench-")
    try:
        env = fresh_env(scratch, contender.env)
        argv = [a.replace("{scratch}", scratch) for a in contender.argv]
        server.beacon.clear()
        start = time.monotonic()
        proc = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL,
                                stderr=None if verbose else subprocess.DEVNULL,
                                start_new_session=True)
        try:
            if not server.beacon.wait(timeout):
                return None
            elapsed = server.beacon_time - start
            time.sleep(settle)
            if proc.poll() is not None:
                return None
            kib, parts = tree_report(proc.pid)
            contender.last_parts = parts
            return elapsed * 1000.0, kib / 1024.0
        finally:
            stop_tree(proc)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def brand(wbctl, program, out, lines):
    """A branded copy of the program whose block holds `lines` (name=value)."""
    subprocess.run([wbctl, "brand", program, out] + lines, check=True, stdout=subprocess.DEVNULL)
    return out


def find_chromium():
    for name in ("chromium", "chromium-browser"):
        path = shutil.which(name)
        if path:
            return path
    return None


# --- Report ---------------------------------------------------------------------------------

def summary(values):
    if not values:
        return None
    return statistics.median(values), min(values), max(values)


def fmt(s, unit):
    if s is None:
        return "-"
    return "%.0f %s [%.0f-%.0f]" % (s[0], unit, s[1], s[2])


def ratio(a, b):
    if a is None or b is None or b[0] == 0:
        return "-"
    return "%.2f" % (a[0] / b[0])


def report(contenders, skipped, runs):
    by_key = {c.key: c for c in contenders}
    floor_t = summary(by_key["floor"].times) if "floor" in by_key else None
    floor_m = summary(by_key["floor"].pss) if "floor" in by_key else None
    chrome = by_key.get("chromium")
    chrome_t = summary(chrome.times) if chrome else None
    chrome_m = summary(chrome.pss) if chrome else None
    header = ("contender", "start to onload", "PSS after 2 s", "time/floor", "PSS/floor",
              "time/chromium", "PSS/chromium", "failed")
    rows = [header]
    for c in contenders:
        t, m = summary(c.times), summary(c.pss)
        rows.append((c.label, fmt(t, "ms"), fmt(m, "MB"), ratio(t, floor_t), ratio(m, floor_m),
                     ratio(t, chrome_t), ratio(m, chrome_m), str(c.failures)))
    widths = [max(len(r[i]) for r in rows) for i in range(len(header))]
    print()
    print("Start-up benchmark: median [min-max] of %d runs after one warm-up" % runs)
    print("| " + " | ".join(h.ljust(w) for h, w in zip(header, widths)) + " |")
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for r in rows[1:]:
        print("| " + " | ".join(v.ljust(w) for v, w in zip(r, widths)) + " |")
    for label, why in skipped:
        print("skipped: %s (%s)" % (label, why))
    if "webbrowser" in by_key and "webbrowser+info" in by_key:
        print("PSS with the banner / without: %s" % ratio(summary(by_key["webbrowser+info"].pss),
                                                          summary(by_key["webbrowser"].pss)))


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--webbrowser", help="the program (built webbrowser executable)")
    ap.add_argument("--wbctl", help="the companion tool, for branding")
    ap.add_argument("--floor", help="the engine floor program (wb_engine_floor)")
    ap.add_argument("--chromium", help="Chromium executable (default: found on PATH)")
    ap.add_argument("--runs", type=int, default=5, help="counted runs per contender (>= 5)")
    ap.add_argument("--settle", type=float, default=2.0, help="seconds from beacon to PSS")
    ap.add_argument("--timeout", type=float, default=60.0, help="seconds to wait for a beacon")
    ap.add_argument("--size", default="1024x768", help="window size of every contender")
    ap.add_argument("--only", help="comma-separated contender keys to run")
    ap.add_argument("--extra-env", action="append", default=[],
                    help="KEY=VALUE for our program's runs (engine setting experiments)")
    ap.add_argument("--json", help="also write the figures to this file")
    ap.add_argument("--verbose", action="store_true", help="show the contenders' stderr")
    args = ap.parse_args()
    if args.runs < 5:
        ap.error("--runs must be at least 5")
    if not os.environ.get("DISPLAY") and not os.environ.get("WAYLAND_DISPLAY"):
        ap.error("no display: run under Xvfb (scripts/bench.sh does)")
    width, height = args.size.split("x")

    server = Server()
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = server.base + "/page"
    work = tempfile.mkdtemp(prefix="wbbench-copies-")
    contenders, skipped = [], []
    only = set(args.only.split(",")) if args.only else None
    extra = dict(e.split("=", 1) for e in args.extra_env)

    def want(key):
        return only is None or key in only

    try:
        lines = ["title=Bench", "go=" + url, "width=" + width, "height=" + height]
        if args.webbrowser and args.wbctl and want("webbrowser"):
            exe = brand(args.wbctl, args.webbrowser, os.path.join(work, "bench-app"),
                        lines + ["webinfo=0"])
            contenders.append(Contender("webbrowser", "A webbrowser", [exe], extra))
        if args.floor and want("floor"):
            contenders.append(Contender("floor", "B engine floor",
                                        [args.floor, url, width, height]))
        if want("chromium"):
            chromium = args.chromium or find_chromium()
            if chromium:
                argv = [chromium, "--app=" + url, "--user-data-dir={scratch}/chromium-profile",
                        "--no-first-run", "--no-default-browser-check",
                        "--password-store=basic", "--window-size=%s,%s" % (width, height)]
                if os.geteuid() == 0:
                    argv.append("--no-sandbox")  # Chromium refuses to run as root otherwise
                contenders.append(Contender("chromium", "C chromium --app", argv))
            else:
                skipped.append(("C chromium --app", "not installed"))
        if args.webbrowser and args.wbctl and want("webbrowser+info"):
            exe = brand(args.wbctl, args.webbrowser, os.path.join(work, "bench-app-info"),
                        lines + ["webinfo=1"])
            env = dict(extra)
            env["WB_TEST_BASE_WEB_ADDRESS"] = server.base
            contenders.append(Contender("webbrowser+info", "D webbrowser, webinfo=1", [exe], env))
        if not contenders:
            ap.error("nothing to run")

        for rnd in range(args.runs + 1):
            for c in contenders:
                result = run_once(server, c, args.settle, args.timeout, args.verbose)
                tag = "warm-up" if rnd == 0 else "run %d" % rnd
                if result is None:
                    print("%-26s %-8s no beacon / exited" % (c.label, tag), flush=True)
                    if rnd:
                        c.failures += 1
                    continue
                print("%-26s %-8s %7.0f ms %7.1f MB" % (c.label, tag, result[0], result[1]),
                      flush=True)
                if rnd:
                    c.times.append(result[0])
                    c.pss.append(result[1])
        report(contenders, skipped, args.runs)
        print("gateway page requests (the banner's): %d" % server.gateway_hits)
        for c in contenders:
            biggest = sorted(c.last_parts, key=lambda p: -p[1])[:4]
            print("  %s: %s" % (c.label, ", ".join("%s %.0f MB" % (n, k / 1024) for n, k in biggest)))
        if args.json:
            with open(args.json, "w") as f:
                json.dump({c.key: {"label": c.label, "times_ms": c.times, "pss_mb": c.pss,
                                   "failures": c.failures} for c in contenders}, f, indent=1)
    finally:
        shutil.rmtree(work, ignore_errors=True)
        server.shutdown()


if __name__ == "__main__":
    main()
