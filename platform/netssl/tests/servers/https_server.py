"""A small HTTPS server for the tests: Python's http.server over TLS on a free loopback port.

Usage: https_server.py --cert FILE --key FILE. Prints "PORT <n>" once it listens and stops
when its standard input closes, so the test process that started it never leaves it
behind. GET of any path answers 200 with a Last-Modified header and the body
"secure <path>"; the path "/close" sends no Content-Length and ends the body by closing.
"""

import argparse
import http.server
import ssl
import sys
import threading


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        body = ("secure " + self.path).encode()
        self.send_response(200)
        self.send_header("Last-Modified", "Tue, 08 Dec 2026 01:02:03 GMT")
        if self.path == "/close":
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(body)
            self.close_connection = True
            return
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    args = parser.parse_args()
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(args.cert, args.key)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    print("PORT %d" % server.server_address[1], flush=True)
    sys.stdin.read()
    server.shutdown()


if __name__ == "__main__":
    main()
