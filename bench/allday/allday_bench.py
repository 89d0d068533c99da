#!/usr/bin/env python3
"""What a window open all day costs: CPU, wake-ups and memory of a live page, shown and hidden.

Three pages, served on loopback by the benchmark itself:
  static  text and pictures, nothing moves;
  chat    a clock updated every second, a fetch poll every 5 s and a CSS spinner, as a mail or
          chat site keeps its page alive;
  heavy   5,000 table rows and a canvas redrawn on every frame.

Each contender (a copy of the program branded to the page, and Chromium's app window with
--disable-gpu when it is installed) starts on the page; the figures, for the whole process
tree (the web, network and other helper processes included):
  PSS and USS (the private pages) at --early seconds after the start and at --late seconds;
  CPU time and context switches per second over --window seconds while shown, read from
  /proc (utime + stime of every process; the voluntary and involuntary switches of every
  thread), shown as a share of one core;
  the same over --window seconds minimised (xdotool windowminimize, which needs a window
  manager: the benchmark starts openbox on the display when --wm is given).
The contenders run in turns within each run (ours, Chromium, ours, ...), so what else the
machine does falls on both alike; each run prints its own table and the ratios of the run.
The time a second start takes to reach a running window is bench/single/single_bench.py's.

Started as root, the contenders run as the unprivileged user of bench/lib (so both keep their
sandboxes, as for a person); every start gets fresh HOME and XDG directories.

  allday_bench.py --webbrowser build/webbrowser --wbctl build/wbctl --wm --runs 3
"""
import argparse
import os
import queue
import shutil
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no cache files in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lib"))
import wbbench  # noqa: E402

REPORT = "<script>addEventListener('load', function () { fetch('/loaded'); });</script>"

PAGES = {
    "static": """<!DOCTYPE html><html><head><meta charset="utf-8"><title>Static</title></head>
<body style="font-family: sans-serif; margin: 2em">
<h1>A page that does not move</h1>
%s
<svg width="400" height="200"><rect width="400" height="200" fill="#4a7"/>
<circle cx="200" cy="100" r="80" fill="#fc3"/></svg>
%s</body></html>""" % ("<p>Some text of a static page, long enough to fill a few lines of "
                        "the window as an article would.</p>" * 20, REPORT),
    "chat": """<!DOCTYPE html><html><head><meta charset="utf-8"><title>Chat</title>
<style>
body { font-family: sans-serif; margin: 2em }
.spin { width: 24px; height: 24px; border: 4px solid #ccc; border-top-color: #37c;
        border-radius: 50%%; animation: spin 1s linear infinite }
@keyframes spin { to { transform: rotate(360deg) } }
</style></head><body>
<h1>Messages</h1><div class="spin"></div><p id="clock"></p><ul id="list"></ul>
<script>
setInterval(function () { document.getElementById('clock').textContent = new Date(); }, 1000);
setInterval(function () {
  fetch('/poll', { cache: 'no-store' }).then(function (r) { return r.text(); })
    .then(function (t) {
      var li = document.createElement('li'); li.textContent = t;
      var list = document.getElementById('list');
      list.insertBefore(li, list.firstChild);
      while (list.children.length > 50) list.removeChild(list.lastChild);
    });
}, 5000);
</script>%s</body></html>""" % REPORT,
    "heavy": """<!DOCTYPE html><html><head><meta charset="utf-8"><title>Heavy</title></head>
<body style="font-family: sans-serif; margin: 1em">
<canvas id="c" width="600" height="300"></canvas><table id="t"></table>
<script>
var rows = [];
for (var i = 0; i < 5000; i++)
  rows.push('<tr><td>' + i + '</td><td>Row ' + i + '</td><td>' + (i * 7 %% 101) + '</td></tr>');
document.getElementById('t').innerHTML = rows.join('');
var ctx = document.getElementById('c').getContext('2d'), frame = 0;
function draw() {
  frame++;
  ctx.fillStyle = '#fff'; ctx.fillRect(0, 0, 600, 300);
  for (var k = 0; k < 50; k++) {
    ctx.fillStyle = 'hsl(' + ((frame + k * 7) %% 360) + ',60%%,50%%)';
    ctx.fillRect((frame * 3 + k * 11) %% 600, (k * 6) %% 300, 20, 20);
  }
  requestAnimationFrame(draw);
}
requestAnimationFrame(draw);
</script>%s</body></html>""" % REPORT,
}


class Server(wbbench.LoopbackServer):

    def __init__(self):
        super().__init__(Handler)
        self.loaded = queue.Queue()
        self.polls = 0


class Handler(wbbench.PageHandler):

    def do_GET(self):
        name = self.path.lstrip("/")
        if name in PAGES:
            self.reply(200, PAGES[name].encode())
        elif name == "loaded":
            self.server.loaded.put(time.monotonic())
            self.reply(200, b"ok", "text/plain")
        elif name == "poll":
            self.server.polls += 1
            self.reply(200, ("message %d" % self.server.polls).encode(), "text/plain")
        else:
            self.reply(404, b"not found", "text/plain")


# --- What a process tree costs --------------------------------------------------------------

TICK = os.sysconf("SC_CLK_TCK")


def tree_cpu_seconds(root):
    """User and system CPU time of every process of the tree, all threads, in seconds."""
    total = 0
    for pid in wbbench.tree_pids(root):
        try:
            with open("/proc/%d/stat" % pid) as f:
                data = f.read()
        except OSError:
            continue
        fields = data[data.rindex(")") + 2:].split()
        total += int(fields[11]) + int(fields[12])  # utime, stime
    return total / TICK


def tree_switches(root):
    """Voluntary and involuntary context switches of every thread of the tree, by thread."""
    counts = {}
    for pid in wbbench.tree_pids(root):
        try:
            tasks = os.listdir("/proc/%d/task" % pid)
        except OSError:
            continue
        for tid in tasks:
            try:
                with open("/proc/%d/task/%s/status" % (pid, tid)) as f:
                    counts[tid] = sum(int(line.split()[1]) for line in f
                                      if line.startswith(("voluntary_ctxt_switches",
                                                          "nonvoluntary_ctxt_switches")))
            except OSError:
                continue
    return counts


def cost_over(root, seconds):
    """(CPU as a share of one core in %, context switches per second) over `seconds`. A thread
    that ends meanwhile takes its switches with it; one that starts counts them all."""
    cpu0, sw0, t0 = tree_cpu_seconds(root), tree_switches(root), time.monotonic()
    time.sleep(seconds)
    cpu1, sw1, t1 = tree_cpu_seconds(root), tree_switches(root), time.monotonic()
    switches = sum(n - sw0.get(tid, 0) for tid, n in sw1.items())
    return (cpu1 - cpu0) / (t1 - t0) * 100.0, switches / (t1 - t0)


def private_memory(root):
    """(PSS, USS) of the tree in MB. The PSS of the libraries' pages halves when another
    program maps them and doubles when it ends, whatever the contender does; the private pages
    (USS: what only the tree holds) are where a contender's own growth shows."""
    pss, parts = wbbench.tree_memory(root, ("Private_Clean:", "Private_Dirty:"))
    return pss, sum(parts.values())


def tree_windows(root, env):
    """The X windows of the tree's processes that xdotool finds, visible or not."""
    found = []
    for pid in wbbench.tree_pids(root):
        out = subprocess.run(["xdotool", "search", "--pid", str(pid)], env=env,
                             capture_output=True, text=True).stdout.split()
        found += out
    return found


def minimise(root, env):
    for window in tree_windows(root, env):
        subprocess.run(["xdotool", "windowminimize", window], env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


# --- One contender on one page --------------------------------------------------------------

def measure(args, server, session, argv, label):
    scratch = tempfile.mkdtemp(prefix="wballday-")
    try:
        env = wbbench.fresh_env(scratch, session, {})
        server.loaded = queue.Queue()
        started = time.monotonic()
        proc = subprocess.Popen(argv(scratch), env=env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                start_new_session=True, **session.run_as.popen_args())
        try:
            try:
                server.loaded.get(timeout=60)
            except queue.Empty:
                print("%s: the page did not load within 60 s" % label, flush=True)
                return None
            r = {}
            time.sleep(max(0.0, started + args.early - time.monotonic()))
            r["pss_early"], r["uss_early"] = private_memory(proc.pid)
            r["cpu"], r["switches"] = cost_over(proc.pid, args.window)
            time.sleep(max(0.0, started + args.late - time.monotonic()))
            r["pss_late"], r["uss_late"] = private_memory(proc.pid)
            minimise(proc.pid, env)
            time.sleep(2)  # the minimise reaches the page
            r["cpu_hidden"], r["switches_hidden"] = cost_over(proc.pid, args.window)
            print("%s: %s" % (label, ", ".join("%s %.2f" % kv for kv in r.items())), flush=True)
            return r
        finally:
            wbbench.stop_tree(proc)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def table(results, pages, names):
    header = ("page", "contender", "CPU shown", "switches/s shown", "PSS early", "PSS late",
              "growth", "USS early", "USS late", "growth", "CPU minimised",
              "switches/s minimised")
    rows = []
    for page in pages:
        for name in names:
            r = results.get((page, name))
            if r is None:
                rows.append((page, name) + ("failed",) * (len(header) - 2))
                continue
            rows.append((page, name, "%.2f %%" % r["cpu"], "%.0f" % r["switches"],
                         "%.0f MB" % r["pss_early"], "%.0f MB" % r["pss_late"],
                         "%+.0f %%" % ((r["pss_late"] / r["pss_early"] - 1) * 100),
                         "%.0f MB" % r["uss_early"], "%.0f MB" % r["uss_late"],
                         "%+.0f %%" % ((r["uss_late"] / r["uss_early"] - 1) * 100),
                         "%.2f %%" % r["cpu_hidden"], "%.0f" % r["switches_hidden"]))
    widths = [max(len(x[i]) for x in [header] + rows) for i in range(len(header))]
    print("| " + " | ".join(h.ljust(w) for h, w in zip(header, widths)) + " |")
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for row in rows:
        print("| " + " | ".join(v.ljust(w) for v, w in zip(row, widths)) + " |")
    if len(names) == 2:
        print()
        for page in pages:
            a, b = results.get((page, names[0])), results.get((page, names[1]))
            if a and b and b["cpu"] and b["switches"] and b["cpu_hidden"]:
                print("%s: CPU shown %.2f x, switches %.2f x, CPU minimised %.2f x" %
                      (page, a["cpu"] / b["cpu"], a["switches"] / b["switches"],
                       a["cpu_hidden"] / b["cpu_hidden"]))


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--webbrowser", required=True, help="the program (built webbrowser)")
    ap.add_argument("--wbctl", required=True, help="the companion tool (brand)")
    ap.add_argument("--chromium", help="Chromium (default: found on PATH; skipped without)")
    ap.add_argument("--pages", default="static,chat,heavy", help="pages, comma-separated")
    ap.add_argument("--runs", type=int, default=1)
    ap.add_argument("--early", type=float, default=60.0, help="seconds to the first PSS")
    ap.add_argument("--late", type=float, default=600.0, help="seconds to the second PSS")
    ap.add_argument("--window", type=float, default=60.0, help="seconds each cost is read over")
    ap.add_argument("--wm", action="store_true", help="start openbox on the display first")
    ap.add_argument("--user", default="wbbench")
    args = ap.parse_args()
    if not os.environ.get("DISPLAY"):
        ap.error("no X display: run under Xvfb (xvfb-run -a -s '-screen 0 1600x1200x24')")
    if args.late < args.early + args.window:
        ap.error("--late must leave room for the shown window after --early")
    pages = [p for p in args.pages.split(",") if p]
    for p in pages:
        if p not in PAGES:
            ap.error("unknown page %s (%s)" % (p, ", ".join(PAGES)))
    wm = None
    if args.wm:
        wm = subprocess.Popen(["openbox"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1)
    server = Server()
    place = wbbench.Workplace(args.user, server, "wballday-copies-", args.wbctl)
    chromium = args.chromium or shutil.which("chromium") or shutil.which("chromium-browser")
    try:
        copies = {}
        for page in pages:
            exe = os.path.join(place.work, "allday-" + page)
            subprocess.run([place.wbctl, "brand", args.webbrowser, exe, "title=All day",
                            "go=%s/%s" % (server.base, page), "width=1024", "height=768"],
                           check=True, stdout=subprocess.DEVNULL)
            place.run_as.readable(exe)
            copies[page] = exe
        contenders = [("webbrowser", lambda page: lambda scratch: [copies[page]])]
        if chromium:
            def chrome(page):
                def argv(scratch):
                    a = [chromium, "--app=%s/%s" % (server.base, page), "--disable-gpu",
                         "--user-data-dir=%s/chromium" % scratch, "--no-first-run",
                         "--window-size=1024,768"]
                    if os.geteuid() == 0 and not place.run_as.dropped:
                        a.append("--no-sandbox")
                    return a
                return argv
            contenders.append(("chromium", chrome))
        else:
            print("Chromium is not installed: only the program is measured", flush=True)
        names = [n for n, _ in contenders]
        for run in range(1, args.runs + 1):
            results = {}
            for page in pages:
                for name, argv in contenders:
                    results[(page, name)] = measure(args, server, place.session, argv(page),
                                                    "run %d %s %s" % (run, page, name))
            print("\nRun %d: PSS at %.0f s and %.0f s, costs over %.0f s\n" %
                  (run, args.early, args.late, args.window))
            table(results, pages, names)
            print(flush=True)
    finally:
        place.close()
        if wm:
            wm.terminate()
            wm.wait()


if __name__ == "__main__":
    main()
