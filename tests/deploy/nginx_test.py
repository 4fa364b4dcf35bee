#!/usr/bin/env python3
"""The production channel server: nginx with the site of deploy/nginx, on 127.0.0.1 with a private
configuration and prefix, serves the demo pages, list and live channels; its caching and types are
what the site promises, and the real rz4tv window plays a channel from it."""

import os
import re
import socket
import subprocess
import sys
import time
import unittest
import urllib.error
import urllib.request

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
import desktop_suite  # noqa: E402
from desktop import Desktop  # noqa: E402
from rz4window import Rz4Window  # noqa: E402

ARGS = None
SERVER = os.path.join(ROOT, "demo", "server.sh")


def fetch(url):
    """Status and headers of a GET, errors included."""
    try:
        with urllib.request.urlopen(url, timeout=5) as reply:
            return reply.status, reply.headers, reply.read()
    except urllib.error.HTTPError as e:
        return e.code, e.headers, e.read()


class WithNginx(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with socket.socket() as s:
            if s.connect_ex(("127.0.0.1", ARGS.port)) == 0:
                raise RuntimeError(f"port {ARGS.port} is already in use; stop what listens there")
        cls.desktop = Desktop()
        cls.run_dir = os.path.join(cls.desktop.workdir, "nginx-demo")
        cls.window = None
        try:
            subprocess.run([SERVER, "start", "--http", "nginx", "--build-dir", ARGS.build_dir,
                            "--port", str(ARGS.port), "--run-dir", cls.run_dir], check=True)
            cls.desktop.start()
        except BaseException:
            cls.tearDownClass()
            raise

    @classmethod
    def tearDownClass(cls):
        if cls.window:
            cls.window.stop()
        cls.desktop.stop()
        subprocess.run([SERVER, "stop", "--run-dir", cls.run_dir], check=False,
                       capture_output=True)

    def url(self, path):
        return f"http://127.0.0.1:{ARGS.port}{path}"

    def test_1_site_caches_and_types_as_promised(self):
        soft = "/zhibo/RZ4/soft/"
        playlist = fetch(self.url("/live/ch1/index.m3u8"))
        segment = re.search(rb"^(seg\d+\.ts)$", playlist[2], re.M).group(1).decode()
        for path, kind, cached in [(soft + "Version.html", "text/html", False),
                                   (soft + "baby1.mdb", "application/octet-stream", False),
                                   (soft + "epg.xml.gz", "application/gzip", False),
                                   (soft + "mini.htm", "text/html", True),
                                   (soft + "Ostrel.jpg", "image/jpeg", True),
                                   ("/live/ch1/index.m3u8", "application/vnd.apple.mpegurl", False),
                                   ("/live/ch1/" + segment, "video/mp2t", True)]:
            status, headers, _ = fetch(self.url(path))
            self.assertEqual((status, headers.get("Content-Type")), (200, kind), path)
            control = headers.get("Cache-Control", "")
            if cached:
                self.assertRegex(control, r"max-age=[1-9]", path)
            else:
                self.assertIn("no-store", control, path)
        for path in [soft, "/live/ch1/", "/", soft + "../../../"]:
            status, _, body = fetch(self.url(path))
            self.assertEqual(status, 404, path)
            self.assertNotIn(b"seg", body, f"{path} is listed")

    def test_2_client_plays_a_channel_from_nginx(self):
        cls = type(self)
        cls.window = Rz4Window(self.desktop, ARGS.binary, "rz4tv-nginx.log")
        cls.window.start()
        cls.window.click_row(1)  # the first group
        time.sleep(0.8)
        cls.window.click_row(2)  # its first channel
        cls.window.wait_playing()
        with open(os.path.join(self.run_dir, "logs", "nginx-access.log")) as f:
            log = f.read()
        for request in ["GET /zhibo/RZ4/soft/Version.html", "GET /zhibo/RZ4/soft/baby1.mdb",
                        "GET /live/ch1/index.m3u8"]:
            self.assertIn(request, log, "nginx did not serve the client")
        self.assertRegex(log, r'GET /live/ch1/seg\d+\.ts HTTP/1\.1" 20[06]')


if __name__ == "__main__":
    ARGS = desktop_suite.arguments()
    sys.exit(desktop_suite.run(ARGS, 240))
