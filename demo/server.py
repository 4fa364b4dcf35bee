#!/usr/bin/env python3
"""The demo channel server: serves one folder over HTTP on 127.0.0.1 only.

Modes: "normal" serves the folder; "hang" accepts every request and never answers; "error"
answers every request with HTTP 500. The last two let the client be tried against a broken server.
"""

import argparse
import functools
import http.server
import sys


class Handler(http.server.SimpleHTTPRequestHandler):
    # Keep-alive saves a connection per playlist and segment fetch.
    protocol_version = "HTTP/1.1"
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


class HangHandler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        # Hold the connection until the client gives up.
        try:
            while self.rfile.read(1):
                pass
        except OSError:
            pass
        self.close_connection = True

    do_HEAD = do_GET


class ErrorHandler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        self.send_error(500, "Internal Server Error")

    do_HEAD = do_GET


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", required=True, help="folder to serve")
    parser.add_argument("--port", type=int, default=18090)
    parser.add_argument("--mode", choices=["normal", "hang", "error"], default="normal")
    args = parser.parse_args()

    handler = {
        "normal": functools.partial(Handler, directory=args.root),
        "hang": HangHandler,
        "error": ErrorHandler,
    }[args.mode]
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
