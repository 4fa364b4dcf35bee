#!/usr/bin/env python3
"""The demo channel server: serves one folder over HTTP on 127.0.0.1 only.

Modes: "normal" serves the folder. The others let the client be tried against a broken server:
"hang" accepts every request and never answers; "error" and "missing" answer every request with
HTTP 500 or 404; "trickle" answers every request with headers, then a byte a second;
"trickle-list" serves the folder but trickles the channel list; "cut" serves the folder but cuts
every reply of the channel server's pages off halfway through its body.
"""

import argparse
import functools
import http.server
import os
import sys
import time

from hanging import HangsUntilClientLeaves

MODES = ["normal", "hang", "error", "missing", "trickle", "trickle-list", "cut"]


class Handler(http.server.SimpleHTTPRequestHandler):
    # Keep-alive saves a connection per playlist and segment fetch.
    protocol_version = "HTTP/1.1"
    # Headers and body go out in separate writes: on a kept-alive connection Nagle's algorithm
    # holds the body until the client's delayed acknowledgement, 40 ms. Servers such as nginx
    # send with TCP_NODELAY on kept-alive connections for this reason.
    disable_nagle_algorithm = True
    extensions_map = {
        ".htm": "text/html; charset=utf-8",
        ".html": "text/html; charset=utf-8",
        ".jpg": "image/jpeg",
        ".mdb": "application/octet-stream",
        ".m3u8": "application/vnd.apple.mpegurl",
        ".ts": "video/mp2t",
        "": "application/octet-stream",
    }

    def end_headers(self):
        # Live playlists change every segment; nothing here may be cached.
        self.send_header("Cache-Control", "no-store")
        super().end_headers()

    def list_directory(self, path):
        self.send_error(404, "Not Found")
        return None


class FaultyHandler(HangsUntilClientLeaves, Handler):
    mode = "normal"

    def do_GET(self):
        mode, path = self.mode, self.path.split("?")[0]
        try:
            if mode == "hang":
                self.wait_for_client_to_leave()
            elif mode in ("error", "missing"):
                self.send_error(500 if mode == "error" else 404)
            elif mode == "trickle" or (mode == "trickle-list" and path.endswith("/baby1.mdb")):
                self.trickle()
            elif mode == "cut" and path.startswith("/zhibo/"):
                self.cut_off(path)
            else:
                super().do_GET()
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True

    def trickle(self):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(1 << 20))
        self.end_headers()
        self.close_connection = True
        for _ in range(1 << 20):
            self.wfile.write(b"*")
            self.wfile.flush()
            time.sleep(1)

    def cut_off(self, path):
        try:
            with open(self.translate_path(path), "rb") as f:
                body = f.read()
        except OSError:
            self.send_error(404)
            return
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body[:len(body) // 2])
        self.close_connection = True


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", required=True, help="folder to serve")
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "port")) as f:
        default_port = int(f.read())
    parser.add_argument("--port", type=int, default=default_port)
    parser.add_argument("--mode", default="normal", choices=MODES)
    args = parser.parse_args()

    FaultyHandler.mode = args.mode
    handler = functools.partial(FaultyHandler, directory=args.root)
    try:
        server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), handler)
    except OSError as e:
        print("demo server: cannot listen on 127.0.0.1:%d: %s" % (args.port, e.strerror),
              file=sys.stderr)
        return 1
    print("demo server: %s mode on http://127.0.0.1:%d/" % (args.mode, args.port),
          file=sys.stderr, flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
