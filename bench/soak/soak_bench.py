#!/usr/bin/env python3
"""A long day in one window: memory and time per navigation over thousands of navigations.

The program is branded to a loopback page and then navigates N times (default 10,000) between
loopback pages, a cycle of P pages (default 10, as a site's few screens are visited again and
again; with 0 every navigation goes to an address of its own, so the window's history and
list of recent addresses grow all day), in turns: every other page's onload clicks its link to the next page (a
script's click, as a person's click would go), and for the others the harness sends the next
address over the remote channel (`wbctl send --pid PID url=...`). Each page tells the server
when it has loaded; the time of a navigation runs from its cause (the server's answer that
lets the page click, or the start of `wbctl send`) to the next page's report.

Reported: the PSS of the program's whole process tree (web and network processes included)
two seconds after navigation W (default 1,000) and after the last, and the time per navigation
over the first W and the last W. The PSS of the libraries' pages depends on what else maps
them (another program on the engine running meanwhile halves their share), so the anonymous
part (Pss_Anon: heaps, caches, stacks) is reported beside it: that is where growth would be. With --info, the same again with the info banner shown
("webinfo" true, its gateway on the same loopback server), whose timer runs through the soak.

Started as root, the program runs as the unprivileged user of bench/lib (so it runs with the
engine's sandbox, as for a person); every soak gets fresh HOME and XDG directories. Run it
under a display (scripts/bench.sh uses Xvfb when there is none).
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
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lib"))
import wbbench  # noqa: E402

PAGE = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Soak %(n)d</title>
<style>body { font-family: sans-serif; margin: 2em } .c { background: #eee; padding: 1em }</style>
</head><body><h1>Page %(n)d</h1>
<div class="c"><p>One page of a long day: some text, a style sheet, a script and a link.</p>
<ul><li>One</li><li>Two</li><li>Three</li></ul>
<a id="next" href="/p/%(next)d">Next page</a></div>
<script>
window.onload = function () {
  fetch('/loaded?page=%(n)d', { cache: 'no-store' }).then(function (r) { return r.text(); })
    .then(function (what) { if (what === 'click') document.getElementById('next').click(); });
};
</script></body></html>
"""

INFO_PAGE = b"""<!DOCTYPE html><html><head><meta charset="utf-8"><title>Info</title></head>
<body style="margin:0;font:12px sans-serif">News from the maker.</body></html>"""


class Server(wbbench.LoopbackServer):

    def __init__(self, pages):
        super().__init__(Handler)
        self.pages = pages  # the pages' cycle; 0: every navigation to an address of its own
        self.loaded = queue.Queue()
        self.count = 0     # pages reported loaded so far: the number of the navigation
        self.hold = set()  # navigations after which the harness acts (measures, then sends)
        self.gateway_hits = 0

    def next_page(self, page):
        return (page + 1) % self.pages if self.pages else page + 1


class Handler(wbbench.PageHandler):

    def do_GET(self):
        now = time.monotonic()
        path = self.path
        if path.startswith("/loaded?page="):
            try:
                page = int(path[len("/loaded?page="):])
            except ValueError:
                self.reply(400, b"", "text/plain")
                return
            # Navigations run one after the other, so the reports count them.
            n = self.server.count
            self.server.count += 1
            # After an even navigation the page clicks its link; after an odd one (and the held
            # ones) it waits for the harness to send the next address.
            click = n % 2 == 0 and n not in self.server.hold
            self.server.loaded.put((n, now, click, self.server.next_page(page)))
            self.reply(200, b"click" if click else b"wait", "text/plain")
        elif path.startswith("/p/"):
            try:
                page = int(path[3:])
            except ValueError:
                page = 0
            self.reply(200, (PAGE % {"n": page, "next": self.server.next_page(page)}).encode())
        elif path.startswith("/gw/"):
            self.server.gateway_hits += 1
            self.reply(200, INFO_PAGE)
        else:
            self.reply(404, b"not found", "text/plain")


def soak(args, server, session, exe, env_extra, label):
    """Runs one soak; returns its figures, or None when the window stopped answering."""
    scratch = tempfile.mkdtemp(prefix="wbsoak-")
    window = args.window
    server.hold = {window, args.navigations}
    try:
        env = wbbench.fresh_env(scratch, session, env_extra)
        proc = wbbench.start_program(exe, env, session)
        try:
            times = {}    # navigation number -> seconds
            kinds = {}    # navigation number -> "click" or "send"
            pss = {}
            anon = {}     # the anonymous part of the PSS: the heaps, not the libraries' pages
            cause = None  # when the navigation under way was caused
            expected = 0
            while expected <= args.navigations:
                try:
                    n, at, click, following = server.loaded.get(timeout=args.timeout)
                except queue.Empty:
                    print("%s: no page %d within %.0f s" % (label, expected, args.timeout))
                    return None
                if cause is not None:
                    times[n] = at - cause
                expected = n + 1
                if n in server.hold:
                    time.sleep(args.settle)
                    pss[n], parts = wbbench.tree_memory(proc.pid, ("Pss_Anon:",))
                    anon[n] = sum(parts.values())
                    print("%s: %d navigations, PSS %.1f MB, anonymous %.1f MB (%s)" %
                          (label, n, pss[n], anon[n],
                           ", ".join("%s %.1f" % (c, mb) for (c, _), mb in parts.items()
                                     if mb > 0.5)), flush=True)
                if n == args.navigations:
                    break
                if click:
                    cause = at
                    kinds[n + 1] = "click"
                else:
                    cause = time.monotonic()
                    kinds[n + 1] = "send"
                    wbbench.send_address(args.wbctl, proc.pid,
                                         "%s/p/%d" % (server.base, following), env, session)
                if n % 1000 == 0 and n:
                    print("%s: %d navigations" % (label, n), flush=True)
            return {"times": times, "kinds": kinds, "pss": pss, "anon": anon}
        finally:
            wbbench.stop_tree(proc)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def ms(values):
    return statistics.median(values) * 1000.0 if values else float("nan")


def report(results, args):
    w, last = args.window, args.navigations
    print()
    print("Soak: %d navigations in one window between %s, alternately a script's click and"
          " `wbctl send`; PSS two seconds after navigation %d and after the last; mean time per"
          " navigation over the first and the last %d" %
          (last, "%d pages" % args.pages if args.pages else "new addresses", w, w))
    # The two kinds of navigation take different times (a click waits for the page's script),
    # so the mean of the stretch is its figure, and each kind's median is shown beside it.
    header = ("window", "PSS after %d" % w, "PSS after %d" % last, "growth",
              "anonymous PSS after %d / %d" % (w, last), "growth",
              "time per navigation, first %d" % w, "last %d" % w, "last / first",
              "click, first / last (median)", "send, first / last (median)")
    rows = []
    for label, r in results:
        if r is None:
            rows.append((label,) + ("failed",) * (len(header) - 1))
            continue
        first = [r["times"][i] for i in range(1, w + 1) if i in r["times"]]
        lastw = [r["times"][i] for i in range(last - w + 1, last + 1) if i in r["times"]]

        def kind(rng, k):
            return [r["times"][i] for i in rng if i in r["times"] and r["kinds"].get(i) == k]

        a, b = r["pss"].get(w), r["pss"].get(last)
        aa, ab = r["anon"].get(w), r["anon"].get(last)
        fmean, lmean = statistics.mean(first), statistics.mean(lastw)
        rows.append((label, "%.1f MB" % a, "%.1f MB" % b, "%+.1f %%" % ((b - a) / a * 100.0),
                     "%.1f / %.1f MB" % (aa, ab), "%+.1f %%" % ((ab - aa) / aa * 100.0),
                     "%.1f ms" % (fmean * 1000), "%.1f ms" % (lmean * 1000),
                     "%.2f" % (lmean / fmean),
                     "%.1f / %.1f ms" % (ms(kind(range(1, w + 1), "click")),
                                         ms(kind(range(last - w + 1, last + 1), "click"))),
                     "%.1f / %.1f ms" % (ms(kind(range(1, w + 1), "send")),
                                         ms(kind(range(last - w + 1, last + 1), "send")))))
    widths = [max(len(x[i]) for x in [header] + rows) for i in range(len(header))]
    print("| " + " | ".join(h.ljust(x) for h, x in zip(header, widths)) + " |")
    print("|" + "|".join("-" * (x + 2) for x in widths) + "|")
    for row in rows:
        print("| " + " | ".join(v.ljust(x) for v, x in zip(row, widths)) + " |")


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--webbrowser", required=True, help="the program (built webbrowser)")
    ap.add_argument("--wbctl", required=True, help="the companion tool (brand, send)")
    ap.add_argument("--navigations", type=int, default=10000, help="navigations per soak")
    ap.add_argument("--window", type=int, default=1000,
                    help="navigations of the first and the last stretch compared")
    ap.add_argument("--pages", type=int, default=10,
                    help="the pages' cycle (0: every navigation to a new address)")
    ap.add_argument("--info", action="store_true", help="also soak with the info banner shown")
    ap.add_argument("--settle", type=float, default=2.0, help="seconds before each PSS")
    ap.add_argument("--timeout", type=float, default=30.0, help="seconds to wait for a page")
    ap.add_argument("--size", default="1024x768", help="window size")
    ap.add_argument("--user", default="wbbench",
                    help="the unprivileged user the program runs as when started as root")
    args = ap.parse_args()
    if args.pages < 0 or args.pages == 1:
        ap.error("--pages must be 0 or at least 2")
    if args.window < 10 or args.navigations < 2 * args.window:
        ap.error("--navigations must be at least twice --window, and --window at least 10")
    if not os.environ.get("DISPLAY") and not os.environ.get("WAYLAND_DISPLAY"):
        ap.error("no display: run under Xvfb (scripts/bench.sh does)")
    width, height = args.size.split("x")

    server = Server(args.pages)
    # The program's user runs wbctl send: the copy in the work folder.
    place = wbbench.Workplace(args.user, server, "wbsoak-copies-", args.wbctl)
    run_as, session, work = place.run_as, place.session, place.work
    args.wbctl = place.wbctl
    print("the program runs as: %s (uid %d)" % (run_as.name, run_as.uid), flush=True)
    try:
        lines = ["title=Soak", "go=%s/p/0" % server.base, "width=" + width, "height=" + height]
        plans = [("webinfo=0", ["webinfo=0"], {})]
        if args.info:
            plans.append(("webinfo=1", ["webinfo=1"], {"WB_TEST_BASE_WEB_ADDRESS": server.base}))
        results = []
        for label, extra_lines, env in plans:
            exe = os.path.join(work, "soak-app")
            subprocess.run([args.wbctl, "brand", args.webbrowser, exe] + lines + extra_lines,
                           check=True, stdout=subprocess.DEVNULL)
            run_as.readable(exe)
            server.loaded = queue.Queue()
            server.count = 0
            started = time.monotonic()
            results.append((label, soak(args, server, session, exe, env, label)))
            print("%s: %.0f s" % (label, time.monotonic() - started), flush=True)
        report(results, args)
        print("gateway page requests (the banner's): %d" % server.gateway_hits)
    finally:
        place.close()


if __name__ == "__main__":
    main()
