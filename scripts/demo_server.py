#!/usr/bin/env python3
"""Serves the demo pages on loopback for scripts/demo.sh.

Usage: demo_server.py DEMO_DIR PORT_FILE

Listens on 127.0.0.1 on a free port, writes the port to PORT_FILE and serves DEMO_DIR. Two
paths behave like a real site: the pictures under /slow/ arrive after a delay, so a page full
of them shows its progress, and files under /download/ are sent as attachments, so the
browser window offers to save them.
"""
import os
import sys
import time
from http.server import SimpleHTTPRequestHandler, ThreadingHTTPServer

TILE = (
    '<svg xmlns="http://www.w3.org/2000/svg" width="60" height="60">'
    '<rect width="60" height="60" rx="8" fill="hsl({hue},55%,60%)"/>'
    '<text x="30" y="38" font-size="20" text-anchor="middle" fill="#fff">{n}</text></svg>'
)


class Handler(SimpleHTTPRequestHandler):
    def do_GET(self):
        path, _, query = self.path.partition("?")
        if path == "/slow/tile.svg":
            n = 0
            for part in query.split("&"):
                if part.startswith("n=") and part[2:].isdigit():
                    n = min(int(part[2:]), 999)
            time.sleep(0.3)
            body = TILE.format(hue=(n * 37) % 360, n=n).encode()
            self.send_response(200)
            self.send_header("Content-Type", "image/svg+xml")
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Cache-Control", "no-store")
            self.end_headers()
            self.wfile.write(body)
            return
        super().do_GET()

    def end_headers(self):
        if self.path.startswith("/download/"):
            name = os.path.basename(self.path.partition("?")[0]) or "download"
            self.send_header("Content-Disposition", 'attachment; filename="%s"' % name)
        self.send_header("Cache-Control", "no-store")
        super().end_headers()

    def log_message(self, *args):
        pass


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    root, port_file = sys.argv[1], sys.argv[2]
    os.chdir(root)
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    with open(port_file + ".tmp", "w") as f:
        f.write(str(server.server_address[1]))
    os.replace(port_file + ".tmp", port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
