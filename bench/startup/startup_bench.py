#!/usr/bin/env python3
"""Start-up time and memory of the program against the bare engine and a browser's app window.

One page is served on loopback; its onload handler requests a beacon address from the same
server. Each contender is started in turn (A B C D ..., A B C D ..., ...), once as a warm-up
that is not counted and then N times. For every run the harness records

  * the time from process start (just before fork/exec) to the first frame of the contender's
    window on screen: the first XDamage report the X server sends for a mapped top-level
    window (at least 100x100) whose _NET_WM_PID belongs to the contender's process tree,
    received by a watcher thread over its own X connection (python3-xlib);
  * the time from process start to the beacon request (onload);
  * the proportional set size (PSS) of the contender's whole process tree, the web and network
    processes included, two seconds after the beacon: the sum of "Pss:" in
    /proc/PID/smaps_rollup over every process that descends from the contender or stayed in
    the session it was started in.

Contenders:
  webbrowser      our program, branded to the page with `wbctl brand`
  floor           bench/engine_floor.cpp: one WebKitGTK web view, default engine settings
  floor+sandbox   the same with the engine's sandbox on (bubblewrap), as our program runs it
  chromium        Chromium in app mode (skipped when not installed)
  gnome-web       GNOME Web in web-application mode, the browser built on the same engine
                  (epiphany --application-mode --profile=DIR, DIR holding an ".app" file;
                  skipped when not installed)
  webbrowser+info our program with "webinfo" true, its gateway on the same loopback server
  webbrowser+update our program as a portable copy that looks for a newer version: "update"
                  names a notice on a loopback port that takes the connection and never
                  answers, the copy carries the maker's key (a key of the harness's own, made
                  with `wbctl repo init`) and its version is 1.0
  variant-NAME    (with --variant NAME=PATH) another build of our program, branded as A, with
                  WB_TIMELINE=1 and its own timeline table
  timeline        (with --timeline) our program with WB_TIMELINE=1; its milestones, lined up
                  with the server's first request, the page's first contentful paint and the
                  beacon, make the timeline table

Started as root, the harness runs every contender as an unprivileged user of its own (created
once, "wbbench"), so Chromium runs with its sandbox and the engine's bubblewrap sandbox runs
as for a person; the contenders get a session bus of that user. Run it under a display
(scripts/bench.sh uses Xvfb when there is none).

Two starts are measured for every contender, in the same rounds:

  first   every run gets a fresh HOME and XDG directories: the copy's first start, once in its
          life, with no cache or profile to read;
  daily   one HOME and XDG directories kept from the contender's previous run (the warm-up
          makes them): the start a person makes every morning, with the profile of the day
          before. Only the runtime folder is new, as after a log-in.
"""
import argparse
import http.server
import json
import os
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

sys.dont_write_bytecode = True  # no cache files in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lib"))
import wbbench  # noqa: E402

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
// The page's first contentful paint, on the wall clock, where the engine reports it.
try {
  new PerformanceObserver(function (list) {
    list.getEntries().forEach(function (e) {
      if (e.name === 'first-contentful-paint')
        fetch('/paint?at=' + (performance.timeOrigin + e.startTime), { cache: 'no-store' });
    });
  }).observe({ type: 'paint', buffered: true });
} catch (e) {}
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
        self.reset()
        self.gateway_hits = 0

    def reset(self):
        self.beacon.clear()
        self.beacon_time = 0.0
        self.request_time = None  # the first request of the page
        self.paint_time = None    # the page's first contentful paint, on the monotonic clock

    @property
    def base(self):
        return "http://127.0.0.1:%d" % self.server_address[1]


class Handler(wbbench.PageHandler):

    def do_GET(self):
        now = time.monotonic()
        path = self.path
        if path.startswith("/beacon"):
            if not self.server.beacon.is_set():
                self.server.beacon_time = now
                self.server.beacon.set()
            self.reply(204, b"", "text/plain")
        elif path.startswith("/paint"):
            try:
                at = float(urllib.parse.parse_qs(urllib.parse.urlsplit(path).query)["at"][0])
                # The wall clock's milliseconds on the monotonic clock.
                if self.server.paint_time is None:
                    self.server.paint_time = now - (time.time() - at / 1000.0)
            except (KeyError, ValueError, IndexError):
                pass
            self.reply(204, b"", "text/plain")
        elif path == "/" or path.startswith("/?") or path.startswith("/page"):
            if self.server.request_time is None:
                self.server.request_time = now
            self.reply(200, PAGE)
        elif path.startswith("/gw/"):
            self.server.gateway_hits += 1
            self.reply(200, INFO_PAGE)
        else:
            self.reply(404, b"not found", "text/plain")


# --- Contenders -----------------------------------------------------------------------------

class Contender:
    def __init__(self, key, label, argv, env=None, timeline=False, prepare=None, start="first"):
        self.key = key
        self.label = label
        self.argv = argv
        self.env = env or {}
        self.timeline = timeline
        self.prepare = prepare  # prepare(scratch): files the contender needs before it starts
        self.start = start      # "first": a fresh profile each run; "daily": the one kept
        self.kept = None        # the daily start's folder, made by its first (uncounted) run
        self.times = []
        self.frames = []
        self.pss = []
        self.failures = 0
        self.last_parts = []
        self.milestones = []  # per run: {milestone: ms since the harness started the process}


def read_timeline(path, start):
    """The WB_TIMELINE lines of a run's stderr: {milestone: ms after `start`}."""
    found = {}
    try:
        with open(path, errors="replace") as f:
            for line in f:
                parts = line.rstrip("\n").split("\t")
                if len(parts) == 4 and parts[0] == "timeline":
                    try:
                        found.setdefault(parts[3], (float(parts[2]) - start) * 1000.0)
                    except ValueError:
                        pass
    except OSError:
        pass
    return found


def run_once(server, session, frames, contender, settle, timeout, verbose):
    if contender.start == "daily":
        if contender.kept is None:
            contender.kept = tempfile.mkdtemp(prefix="wbbench-daily-")
        scratch = contender.kept
        # A new log-in: the runtime folder (sockets, the bus's files) does not outlive it.
        shutil.rmtree(os.path.join(scratch, "runtime"), ignore_errors=True)
    else:
        scratch = tempfile.mkdtemp(prefix="wbbench-")
    try:
        env = wbbench.fresh_env(scratch, session, contender.env)
        if contender.prepare:
            contender.prepare(scratch)
            session.run_as.own(scratch, 0o700)
        argv = [a.replace("{scratch}", scratch) for a in contender.argv]
        server.reset()
        errors = os.path.join(scratch, "stderr")
        with open(errors, "w") as err:
            start = time.monotonic()
            proc = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL,
                                    stdout=subprocess.DEVNULL,
                                    stderr=None if verbose and not contender.timeline else err,
                                    start_new_session=True, **session.run_as.popen_args())
        if frames:
            frames.begin(proc.pid)
        try:
            if not server.beacon.wait(timeout):
                return None
            elapsed = server.beacon_time - start
            time.sleep(settle)
            if proc.poll() is not None:
                return None
            kib, parts = wbbench.tree_report(proc.pid)
            contender.last_parts = parts
            frame = frames.result()[1] if frames else None
            if contender.timeline:
                marks = read_timeline(errors, start)
                for name, at in (("first request (the server)", server.request_time),
                                 ("first contentful paint (the page)", server.paint_time),
                                 ("onload (the beacon)", server.beacon_time),
                                 ("first frame (X server damage)", frame)):
                    if at is not None:
                        marks[name] = (at - start) * 1000.0
                contender.milestones.append(marks)
            return (elapsed * 1000.0, kib / 1024.0,
                    (frame - start) * 1000.0 if frame is not None else None)
        finally:
            if frames:
                frames.begin(None)
            wbbench.stop_tree(proc)
            if verbose and contender.timeline:
                with open(errors, errors="replace") as f:
                    sys.stderr.write(f.read())
    finally:
        if scratch is not contender.kept:
            shutil.rmtree(scratch, ignore_errors=True)


def brand(wbctl, program, out, lines):
    """A branded copy of the program whose block holds `lines` (name=value)."""
    subprocess.run([wbctl, "brand", program, out] + lines, check=True, stdout=subprocess.DEVNULL)
    return out


def silent_notice(wbctl, work):
    """A loopback port that takes connections and never answers them, and the public key of a
    maker's repository made in `work` (its key in a GnuPG home of its own there)."""
    silent = socket.socket()
    silent.bind(("127.0.0.1", 0))
    silent.listen(16)
    home = os.path.join(work, "gnupg")
    os.makedirs(home, mode=0o700, exist_ok=True)
    env = dict(os.environ, GNUPGHOME=home)
    repo = os.path.join(work, "repo")
    subprocess.run([wbctl, "repo", "init", repo, "--name", "Bench <bench@example.org>",
                    "--no-passphrase"], check=True, stdout=subprocess.DEVNULL, env=env)
    subprocess.run(["gpgconf", "--kill", "gpg-agent"], env=env, check=False)
    return silent, os.path.join(repo, "key.asc")


def find_program(names):
    for name in names:
        path = shutil.which(name)
        if path:
            return path
    return None


GNOME_WEB_PROFILE = "data/org.gnome.Epiphany.WebApp_wbbench"


def gnome_web_profile(scratch):
    """A web application's profile: a folder holding an ".app" file, kept on a daily start."""
    profile = os.path.join(scratch, GNOME_WEB_PROFILE)
    os.makedirs(profile, exist_ok=True)
    marker = os.path.join(profile, ".app")
    if not os.path.exists(marker):
        open(marker, "w").close()


# --- Report ---------------------------------------------------------------------------------

def summary(values):
    values = [v for v in values if v is not None]
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


def print_table(header, rows):
    widths = [max(len(r[i]) for r in [header] + rows) for i in range(len(header))]
    print("| " + " | ".join(h.ljust(w) for h, w in zip(header, widths)) + " |")
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for r in rows:
        print("| " + " | ".join(v.ljust(w) for v, w in zip(r, widths)) + " |")


GOALS = (
    # (what, our contender and figure, the other contender, at most)
    ("daily onload / chromium", ("webbrowser", "daily", "times"), "chromium", 1.0),
    ("daily onload / gnome-web", ("webbrowser", "daily", "times"), "gnome-web", 0.8),
    ("daily onload / floor+sandbox", ("webbrowser", "daily", "times"), "floor+sandbox", 1.0),
    ("daily first frame / chromium", ("webbrowser", "daily", "frames"), "chromium", 0.6),
    ("first-start first frame / chromium", ("webbrowser", "first", "frames"), "chromium", 0.6),
    ("daily PSS / chromium", ("webbrowser", "daily", "pss"), "chromium", 0.5),
    ("daily PSS / floor", ("webbrowser", "daily", "pss"), "floor", 0.8),
    ("daily PSS with the banner / without", ("webbrowser+info", "daily", "pss"), "webbrowser",
     1.1),
)


def report(contenders, skipped, runs, frame_method):
    by_key = {(c.key, c.start): c for c in contenders}

    def of(key, start, what):
        c = by_key.get((key, start))
        return summary(getattr(c, what)) if c else None

    print()
    print("Start-up benchmark: median [min-max] of %d runs after one uncounted start" % runs)
    print("first frame: %s" % frame_method)
    for start, title in (("first", "First start (a fresh profile every run)"),
                         ("daily", "Daily start (the profile of the contender's previous run)")):
        group = [c for c in contenders if c.start == start]
        if not group:
            continue
        floor_m = of("floor", start, "pss")
        sand_t = of("floor+sandbox", start, "times")
        chrome_t, chrome_m = of("chromium", start, "times"), of("chromium", start, "pss")
        chrome_f = of("chromium", start, "frames")
        gweb_t, gweb_m = of("gnome-web", start, "times"), of("gnome-web", start, "pss")
        header = ("contender", "first frame", "start to onload", "PSS after 2 s",
                  "onload/floor+sandbox", "onload/chromium", "onload/gnome-web",
                  "frame/chromium", "PSS/floor", "PSS/chromium", "PSS/gnome-web", "failed")
        rows = []
        for c in group:
            t, m, f = summary(c.times), summary(c.pss), summary(c.frames)
            rows.append((c.label, fmt(f, "ms"), fmt(t, "ms"), fmt(m, "MB"), ratio(t, sand_t),
                         ratio(t, chrome_t), ratio(t, gweb_t), ratio(f, chrome_f),
                         ratio(m, floor_m), ratio(m, chrome_m), ratio(m, gweb_m),
                         str(c.failures)))
        print()
        print(title)
        print_table(header, rows)
    for label, why in skipped:
        print("skipped: %s (%s)" % (label, why))
    print()
    print("Goals (ratios of medians within this run):")
    rows = []
    for what, (key, start, figure), other, most in GOALS:
        other_start = "daily" if start == "daily" or other == "webbrowser" else start
        r = ratio(of(key, start, figure), of(other, other_start, figure))
        met = "-" if r == "-" else ("met" if float(r) <= most else "NOT met")
        rows.append((what, r, "<= %.1f" % most, met))
    print_table(("goal", "ratio", "wanted", ""), rows)
    for timed in contenders:
        if not timed.milestones:
            continue
        names = {}
        for marks in timed.milestones:
            for name, at in marks.items():
                names.setdefault(name, []).append(at)
        order = sorted(names, key=lambda n: statistics.median(names[n]))
        print()
        print("Timeline of %s (WB_TIMELINE=1), ms after the harness started the process,"
              " median [min-max] of %d runs" % (timed.label, len(timed.milestones)))
        rows, last = [], 0.0
        for name in order:
            s = summary(names[name])
            rows.append((name, "%.1f [%.1f-%.1f]" % s, "%+.1f" % (s[0] - last)))
            last = s[0]
        print_table(("milestone", "at (ms)", "since the one before"), rows)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--webbrowser", help="the program (built webbrowser executable)")
    ap.add_argument("--wbctl", help="the companion tool, for branding")
    ap.add_argument("--floor", help="the engine floor program (wb_engine_floor)")
    ap.add_argument("--chromium", help="Chromium executable (default: found on PATH)")
    ap.add_argument("--gnome-web", help="GNOME Web executable (default: epiphany on PATH)")
    ap.add_argument("--starts", default="first,daily",
                    help="which starts to measure: first, daily or both (first,daily)")
    ap.add_argument("--runs", type=int, default=5, help="counted runs per contender (>= 5)")
    ap.add_argument("--settle", type=float, default=2.0, help="seconds from beacon to PSS")
    ap.add_argument("--timeout", type=float, default=60.0, help="seconds to wait for a beacon")
    ap.add_argument("--size", default="1024x768", help="window size of every contender")
    ap.add_argument("--only", help="comma-separated contender keys to run")
    ap.add_argument("--timeline", action="store_true",
                    help="add our program with WB_TIMELINE=1 and print its timeline")
    ap.add_argument("--variant", action="append", default=[],
                    help="NAME=PATH: a further build of our program, run as one more contender"
                         " (to compare a change with the program before it)")
    ap.add_argument("--user", default="wbbench",
                    help="the unprivileged user the contenders run as when started as root")
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

    run_as = wbbench.RunAs(args.user)
    session = wbbench.Session(run_as)
    frames = wbbench.FrameWatch()
    frame_method = ("XDamage: the harness's receipt of the X server's first damage report on "
                    "the contender's mapped window (python3-xlib; about 1 ms)"
                    if frames.error is None else "not measured: " + frames.error)
    if frames.error:
        frames = None
    server = Server()
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = server.base + "/page"
    work = tempfile.mkdtemp(prefix="wbbench-copies-")
    os.chmod(work, 0o755)
    contenders, skipped = [], []
    only = set(args.only.split(",")) if args.only else None
    extra = dict(e.split("=", 1) for e in args.extra_env)

    def want(key):
        return only is None or key in only

    starts = [x for x in args.starts.split(",") if x]

    def add(key, label, argv, env=None, prepare=None):
        """The contender, once for each start measured."""
        for start in starts:
            contenders.append(Contender(key, "%s (%s)" % (label, start), argv, env,
                                        prepare=prepare, start=start))

    def readable(path):
        run_as.readable(path)
        return path

    def runnable(path):
        """A program the contenders' user can run wherever the checkout is (a home folder of
        root's is closed to it): a copy in the work folder."""
        if not run_as.dropped:
            return path
        copy = os.path.join(work, os.path.basename(path))
        if not os.path.exists(copy):
            shutil.copy2(path, copy)
        return readable(copy)

    print("contenders run as: %s (uid %d)%s" % (run_as.name, run_as.uid,
                                                ", dropped from root" if run_as.dropped else ""))
    try:
        lines = ["title=Bench", "go=" + url, "width=" + width, "height=" + height]
        if args.webbrowser and args.wbctl and want("webbrowser"):
            exe = readable(brand(args.wbctl, args.webbrowser, os.path.join(work, "bench-app"),
                                 lines + ["webinfo=0"]))
            add("webbrowser", "A webbrowser", [exe], extra)
        if args.floor and want("floor"):
            add("floor", "B engine floor", [runnable(args.floor), url, width, height])
        if args.floor and want("floor+sandbox"):
            add("floor+sandbox", "B' engine floor, sandbox on",
                [runnable(args.floor), "--sandbox", url, width, height])
        if want("chromium"):
            chromium = args.chromium or find_program(("chromium", "chromium-browser"))
            if chromium:
                argv = [chromium, "--app=" + url, "--user-data-dir={scratch}/chromium-profile",
                        "--no-first-run", "--no-default-browser-check",
                        "--password-store=basic", "--window-size=%s,%s" % (width, height)]
                label = "C chromium --app"
                if os.geteuid() == 0 and not run_as.dropped:
                    argv.append("--no-sandbox")  # Chromium refuses to run as root otherwise
                    label += " (no sandbox)"
                add("chromium", label, argv)
            else:
                skipped.append(("C chromium --app", "not installed"))
        if want("gnome-web"):
            epiphany = args.gnome_web or find_program(("epiphany", "epiphany-browser"))
            if epiphany:
                # The window keeps the size of its own choosing: the mode has no option for it.
                add("gnome-web", "E gnome-web --application-mode",
                    [epiphany, "--application-mode",
                     "--profile={scratch}/" + GNOME_WEB_PROFILE, url], prepare=gnome_web_profile)
            else:
                skipped.append(("E gnome-web --application-mode", "not installed"))
        if args.webbrowser and args.wbctl and want("webbrowser+info"):
            exe = readable(brand(args.wbctl, args.webbrowser,
                                 os.path.join(work, "bench-app-info"), lines + ["webinfo=1"]))
            env = dict(extra)
            env["WB_TEST_BASE_WEB_ADDRESS"] = server.base
            add("webbrowser+info", "D webbrowser, webinfo=1", [exe], env)
        if args.webbrowser and args.wbctl and want("webbrowser+update"):
            silent, key = silent_notice(args.wbctl, work)
            readable(key)
            update = "http://127.0.0.1:%d/bench-app-update.latest" % silent.getsockname()[1]
            exe = readable(brand(args.wbctl, args.webbrowser,
                                 os.path.join(work, "bench-app-update"),
                                 lines + ["webinfo=0", "update=" + update, "version=1.0",
                                          "--update-key", key]))
            add("webbrowser+update", "F webbrowser, update= (no answer)", [exe], extra)
        for variant in args.variant:
            name, path = variant.split("=", 1)
            exe = readable(brand(args.wbctl, path, os.path.join(work, "bench-" + name),
                                 lines + ["webinfo=0"]))
            env = dict(extra)
            env["WB_TIMELINE"] = "1"
            contenders.append(Contender("variant-" + name, "V " + name, [exe], env,
                                        timeline=True))
        if args.webbrowser and args.wbctl and args.timeline:
            exe = os.path.join(work, "bench-app")
            if not os.path.exists(exe):
                exe = readable(brand(args.wbctl, args.webbrowser, exe, lines + ["webinfo=0"]))
            env = dict(extra)
            env["WB_TIMELINE"] = "1"
            # The timeline of the start that matters most: the daily one, when it is measured.
            start = "daily" if "daily" in starts else "first"
            contenders.append(Contender("timeline", "T webbrowser, WB_TIMELINE=1 (%s)" % start,
                                        [exe], env, timeline=True, start=start))
        if not contenders:
            ap.error("nothing to run")

        for rnd in range(args.runs + 1):
            for c in contenders:
                result = run_once(server, session, frames, c, args.settle, args.timeout,
                                  args.verbose)
                tag = "warm-up" if rnd == 0 else "run %d" % rnd
                if result is None:
                    print("%-30s %-8s no beacon / exited" % (c.label, tag), flush=True)
                    if rnd:
                        c.failures += 1
                    continue
                frame = "%7.0f ms" % result[2] if result[2] is not None else "      - ms"
                print("%-30s %-8s frame %s onload %7.0f ms %7.1f MB" %
                      (c.label, tag, frame, result[0], result[1]), flush=True)
                if rnd:
                    c.times.append(result[0])
                    c.pss.append(result[1])
                    c.frames.append(result[2])
                elif c.timeline:
                    c.milestones.clear()
        report(contenders, skipped, args.runs, frame_method)
        print("gateway page requests (the banner's): %d" % server.gateway_hits)
        for c in contenders:
            biggest = sorted(c.last_parts, key=lambda p: -p[1])[:4]
            print("  %s: %s" % (c.label, ", ".join("%s %.0f MB" % (n, k / 1024) for n, k in biggest)))
        if args.json:
            with open(args.json, "w") as f:
                json.dump({c.key + "@" + c.start: {"label": c.label, "times_ms": c.times, "pss_mb": c.pss,
                                   "frames_ms": c.frames, "milestones": c.milestones,
                                   "failures": c.failures} for c in contenders}, f, indent=1)
    finally:
        if frames:
            frames.close()
        shutil.rmtree(work, ignore_errors=True)
        server.shutdown()
        session.close()


if __name__ == "__main__":
    main()
