#!/usr/bin/env python3
"""An HTTPS server on 127.0.0.1 for tests, with the certificate the test made.

Usage: tls_server.py CERT KEY FOLDER
Writes the port it listens on to FOLDER/port, and appends one line per event to FOLDER/events:
"GET /path" for a request, "handshake-failed" when a client gives up on the certificate.
Every path answers with a small HTML page.
"""
import http.server
import os
import ssl
import sys

cert, key, folder = sys.argv[1:4]
events = os.path.join(folder, "events")


def log(line):
    with open(events, "a") as f:
        f.write(line + "\n")


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        log("GET " + self.path)
        body = b"<html><head><title>Secure</title></head><body>secure page</body></html>"
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


class Server(http.server.ThreadingHTTPServer):
    def get_request(self):
        sock, address = self.socket.accept()
        try:
            return context.wrap_socket(sock, server_side=True), address
        except (ssl.SSLError, OSError):
            log("handshake-failed")
            sock.close()
            raise


context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(cert, key)
server = Server(("127.0.0.1", 0), Handler)
with open(os.path.join(folder, "port.tmp"), "w") as f:
    f.write(str(server.server_address[1]))
os.rename(os.path.join(folder, "port.tmp"), os.path.join(folder, "port"))
server.serve_forever()
