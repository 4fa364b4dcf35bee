#!/usr/bin/env python3
"""A small HTTP server on 127.0.0.1 that answers, misbehaves or stays silent, for the HTTP tests.

It binds a free port and prints "PORT <n>" on its first line, and exits when its standard input
closes, so a test that dies does not leave it behind. Paths:
  /text/<charset>   a fixed Chinese text, encoded and announced with that charset
                    ("none": Latin-1 bytes without a charset; "quoted": GB2312 in quotes)
  /status/<code>    that status with a small HTML body
  /hang             accepts the request and never answers
  /trickle?n=&delay=  n bytes, one every delay seconds, with Content-Length
  /bytes?size=[&nolength]  size bytes of a fixed pattern; nolength: no Content-Length, the
                    end of the body is the end of the connection
  /stall?size=&sent=  announces size bytes, sends sent of them, then goes silent
  /redirect         302 to /text/utf-8
  /hls/index.m3u8   a live playlist naming one segment relatively and one by absolute path
  /hls/seg<n>.ts    n * 1000 bytes of the pattern
  /hits?path=       how many times that path was asked for so far
"""

import http.server
import os
import sys
import threading
import time
import urllib.parse

# The demo server's folder holds the misbehaviour both servers share.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "demo"))
from hanging import HangsUntilClientLeaves  # noqa: E402

TEXT = "3.0.0|2026-12-07|今日节目：新闻联播"
PLAYLIST = (b"#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXT-X-MEDIA-SEQUENCE:1\n"
            b"#EXTINF:2.0,\nseg1.ts\n#EXTINF:2.0,\n/hls/seg2.ts\n")
hits = {}
hits_lock = threading.Lock()


def pattern(size):
    block = bytes(i % 251 for i in range(251 * 64))
    reps = size // len(block) + 1
    return (block * reps)[:size]


class Handler(HangsUntilClientLeaves, http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):
        pass

    def send_body(self, status, body, content_type, length=True):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        if length:
            self.send_header("Content-Length", str(len(body)))
        else:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        url = urllib.parse.urlparse(self.path)
        query = {k: v[-1] for k, v in urllib.parse.parse_qs(url.query, keep_blank_values=True).items()}
        parts = url.path.strip("/").split("/")
        with hits_lock:
            hits[url.path] = hits.get(url.path, 0) + 1
        try:
            if parts[0] == "text":
                charset = parts[1]
                if charset == "none":
                    self.send_body(200, b"caf\xe9 \xb0\xa1", "text/plain")
                elif charset == "quoted":
                    self.send_body(200, TEXT.encode("gb2312"), 'text/html; Charset="GB2312"')
                else:
                    self.send_body(200, TEXT.encode(charset), "text/html; charset=" + charset)
            elif parts[0] == "status":
                self.send_body(int(parts[1]), b"<html><body>error page</body></html>",
                               "text/html; charset=utf-8")
            elif parts[0] == "hang":
                self.wait_for_client_to_leave()
            elif parts[0] == "trickle":
                n, delay = int(query.get("n", "10")), float(query.get("delay", "0.1"))
                self.send_response(200)
                self.send_header("Content-Type", "application/octet-stream")
                self.send_header("Content-Length", str(n))
                self.end_headers()
                for byte in pattern(n):
                    self.wfile.write(bytes([byte]))
                    self.wfile.flush()
                    time.sleep(delay)
            elif parts[0] == "bytes":
                self.send_body(200, pattern(int(query["size"])), "application/octet-stream",
                               length="nolength" not in query)
            elif parts[0] == "stall":
                size, sent = int(query["size"]), int(query["sent"])
                self.send_response(200)
                self.send_header("Content-Type", "application/octet-stream")
                self.send_header("Content-Length", str(size))
                self.end_headers()
                self.wfile.write(pattern(size)[:sent])
                self.wfile.flush()
                self.wait_for_client_to_leave()
            elif parts[0] == "hls" and parts[1] == "index.m3u8":
                self.send_body(200, PLAYLIST, "application/vnd.apple.mpegurl")
            elif parts[0] == "hls":
                self.send_body(200, pattern(int(parts[1][3:-3]) * 1000), "video/mp2t")
            elif parts[0] == "hits":
                with hits_lock:
                    count = hits.get(query["path"], 0)
                self.send_body(200, str(count).encode(), "text/plain")
            elif parts[0] == "redirect":
                self.send_response(302)
                self.send_header("Location", "/text/utf-8")
                self.send_header("Content-Length", "0")
                self.end_headers()
            else:
                self.send_body(404, b"no such test path", "text/plain")
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True


def main():
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    sys.stdout.write("PORT %d\n" % server.server_address[1])
    sys.stdout.flush()

    def watch_parent():
        sys.stdin.read()
        server.shutdown()

    threading.Thread(target=watch_parent, daemon=True).start()
    server.serve_forever()
    return 0


if __name__ == "__main__":
    sys.exit(main())
