#!/usr/bin/env python3
"""Runs the example commands of the README and the manuals, as a reader would type them.

Usage: doc-commands.py SOURCE_DIR BUILD_DIR

Every fenced ```sh block of the documents below runs with bash -e, in document order, in one
scratch folder that is also HOME (and holds the XDG_* folders), with the build's wbctl and
webbrowser first in PATH and the build's programs at build/webbrowser and
build/package/webbrowser. A site address that a command fetches is served on loopback. The
files a reader would bring (an icon, a configuration) are made beforehand.

An HTML comment on the lines just before a block, which a reader of the page does not see,
adjusts it:
  <!-- doc-test: skip (why) -->          the block is not run (a synopsis, root, a display)
  <!-- doc-test: omit TEXT (why) -->     lines that start with TEXT are not run
  <!-- doc-test: replace FROM TO -->     FROM becomes TO; $SITE in TO is the loopback site
A block that fails fails the test, naming its document and line and what it printed.
"""
import http.server
import os
import re
import shlex
import subprocess
import sys
import tempfile
import threading
import struct
import zlib

DOCUMENTS = ["README.md", "docs/manual.md", "docs/shipping.md"]
DIRECTIVE = re.compile(r"^<!-- doc-test: (skip|omit|replace)\b(.*?)-->\s*$")
# A single block may take this long; a fetch or a package is far quicker.
BLOCK_TIMEOUT = 120


def png(size):
    """A plain square PNG picture of `size` pixels, as a site's icon would be."""
    row = b"\x00" + b"\x20\x40\x80\xff" * size
    raw = zlib.compress(row * size)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", raw) +
            chunk(b"IEND", b""))


SVG = (b'<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64">'
       b'<circle cx="32" cy="32" r="30" fill="#1B2A4A"/></svg>\n')

# The site the --site examples describe: a page, its manifest and its icon.
SITE = {
    "/": ("text/html", b'<!doctype html><title>Team Mail</title>'
          b'<link rel="manifest" href="/app.webmanifest">'),
    "/app.webmanifest": ("application/manifest+json",
                         b'{"name": "Team Mail", "start_url": "/inbox",'
                         b' "theme_color": "#336699", "icons": [{"src": "/icons/512.png",'
                         b' "sizes": "512x512", "type": "image/png"}]}'),
    "/icons/512.png": ("image/png", png(512)),
}

# What a reader brings along: the configuration, the icons and the page files the examples name.
READER_FILES = {
    "acme.svg": SVG,
    "greenleaf.svg": SVG,
    "acme.txt": b"title=Acme Shop\nwidth=1024\nheight=768\n",
    "acme.css": b"body { margin: 0; }\n",
}


class Site(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        kind, body = SITE.get(self.path, ("text/html", b"<title>Inbox</title>"))
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def blocks(path):
    """The shell blocks of a Markdown file: (line number, directives, lines)."""
    lines = open(path, encoding="utf-8").read().split("\n")
    found = []
    i = 0
    while i < len(lines):
        if lines[i].strip() in ("```sh", "```bash", "```shell"):
            directives = []
            j = i - 1
            while j >= 0 and DIRECTIVE.match(lines[j]):
                m = DIRECTIVE.match(lines[j])
                directives.insert(0, (m.group(1), m.group(2).strip()))
                j -= 1
            end = lines.index("```", i + 1)
            found.append((i + 1, directives, lines[i + 1:end]))
            i = end
        i += 1
    return found


def script_of(directives, lines, site):
    if any(kind == "skip" for kind, _ in directives):
        return None
    text = "\n".join(lines)
    for kind, argument in directives:
        if kind == "omit":
            prefix = argument.split(" (")[0].strip()
            text = "\n".join(l for l in text.split("\n") if not l.strip().startswith(prefix))
        elif kind == "replace":
            parts = shlex.split(argument)
            if len(parts) != 2:
                raise SystemExit(f"a replace needs FROM and TO: {argument}")
            text = text.replace(parts[0], parts[1].replace("$SITE", site))
    return text


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    source, build = (os.path.abspath(a) for a in sys.argv[1:])
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Site)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    site = f"http://127.0.0.1:{server.server_address[1]}"

    with tempfile.TemporaryDirectory(prefix="wb-doc-commands-") as home:
        tools = os.path.join(home, ".tools")
        os.makedirs(tools)
        for name in ("wbctl", "webbrowser"):
            os.symlink(os.path.join(build, name), os.path.join(tools, name))
        os.makedirs(os.path.join(home, "build/package"))
        for name in ("webbrowser", "package/webbrowser"):
            os.symlink(os.path.join(build, name), os.path.join(home, "build", name))
        os.makedirs(os.path.join(home, "Apps"))
        for name, data in READER_FILES.items():
            with open(os.path.join(home, name), "wb") as f:
                f.write(data)
        env = {k: v for k, v in os.environ.items()
               if not k.lower().endswith("_proxy") and k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env.update(HOME=home, PATH=tools + ":" + os.environ.get("PATH", "/usr/bin:/bin"),
                   XDG_CONFIG_HOME=home + "/.config", XDG_DATA_HOME=home + "/.local/share",
                   XDG_CACHE_HOME=home + "/.cache", XDG_STATE_HOME=home + "/.local/state",
                   XDG_RUNTIME_DIR=home + "/.runtime", GNUPGHOME=home + "/.gnupg",
                   SOURCE_DATE_EPOCH="1700000000")
        os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)

        ran = failed = 0
        for document in DOCUMENTS:
            for line, directives, lines in blocks(os.path.join(source, document)):
                script = script_of(directives, lines, site)
                if script is None:
                    continue
                ran += 1
                run = subprocess.run(["bash", "-e", "-o", "pipefail", "-c", script], cwd=home,
                                     env=env, capture_output=True, text=True,
                                     timeout=BLOCK_TIMEOUT)
                if run.returncode != 0:
                    failed += 1
                    print(f"{document}:{line}: the block exited {run.returncode}\n"
                          f"{script}\n--- its output:\n{run.stdout}{run.stderr}")
        server.shutdown()
    print(f"{ran} blocks run, {failed} failed")
    return 1 if failed or ran == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
