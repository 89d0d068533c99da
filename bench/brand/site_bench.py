#!/usr/bin/env python3
"""Times `wbctl brand --site` against a loopback site: a page, its manifest and a 192 px PNG icon.

Usage: bench/brand/site_bench.py [--wbctl build/wbctl] [--program build/webbrowser] [--runs 20]
Prints the median and range of the time per copy."""
import argparse
import http.server
import os
import statistics
import struct
import subprocess
import tempfile
import threading
import time
import zlib


def png(side):
    raw = b"".join(b"\x00" + b"\x20\x40\xc0\xff" * side for _ in range(side))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


FILES = {
    "/": (b"<html><head><title>Bench</title><link rel=manifest href=/m.json></head></html>",
          "text/html"),
    "/m.json": (b'{"name":"Bench Site","start_url":"/app","theme_color":"#336699",'
                b'"icons":[{"src":"/i.png","sizes":"192x192","type":"image/png"}]}',
                "application/manifest+json"),
    "/i.png": (png(192), "image/png"),
}


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        body, kind = FILES.get(self.path, (b"", None))
        self.send_response(200 if kind else 404)
        self.send_header("Content-Type", kind or "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wbctl", default="build/wbctl")
    parser.add_argument("--program", default="build/webbrowser")
    parser.add_argument("--runs", type=int, default=20)
    args = parser.parse_args()
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = "http://127.0.0.1:%d/" % server.server_address[1]
    times = []
    with tempfile.TemporaryDirectory() as folder:
        dest = os.path.join(folder, "copy")
        for run in range(args.runs + 1):
            start = time.perf_counter()
            subprocess.run([args.wbctl, "brand", args.program, dest, "--site", url], check=True,
                           stdout=subprocess.DEVNULL)
            if run > 0:  # the first run warms the caches
                times.append((time.perf_counter() - start) * 1000)
    server.shutdown()
    print("wbctl brand --site: %.1f ms median [%.1f-%.1f] over %d runs"
          % (statistics.median(times), min(times), max(times), len(times)))


if __name__ == "__main__":
    main()
