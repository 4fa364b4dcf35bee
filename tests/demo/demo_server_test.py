#!/usr/bin/env python3
"""Starts the demo channel server on a free port, checks what the client will fetch from it, and
checks that stopping it leaves nothing behind.

Usage: demo_server_test.py --script demo/server.sh --chanlist PATH --run-dir DIR
"""

import argparse
import os
import socket
import subprocess
import sys
import unittest
import urllib.error
import urllib.parse
import urllib.request

ARGS = None


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def bit_reversed(data):
    return bytes(int("{:08b}".format(b)[::-1], 2) for b in data)


def fetch(url, timeout=5):
    with urllib.request.urlopen(url, timeout=timeout) as reply:
        return reply.status, reply.headers.get("Content-Type", ""), reply.read()


def status_of(url):
    try:
        return fetch(url)[0]
    except urllib.error.HTTPError as e:
        return e.code


def process_running(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            state = [line for line in f if line.startswith("State:")][0].split()[1]
        return state != "Z"
    except (FileNotFoundError, IndexError):
        return False


class DemoServer:
    def __init__(self, mode="normal"):
        self.port = free_port()
        self.mode = mode

    def run(self, command, *extra):
        return subprocess.run(
            [ARGS.script, command, "--chanlist", ARGS.chanlist, "--run-dir", ARGS.run_dir,
             "--port", str(self.port), "--mode", self.mode, *extra],
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=60)

    def pids(self):
        with open(os.path.join(ARGS.run_dir, "pids")) as f:
            return [int(line.split()[1]) for line in f if line.strip()]

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.port, path)


class StopLeavesNothing:
    def assert_stops_cleanly(self, server):
        pids = server.pids()
        result = server.run("stop")
        self.assertEqual(result.returncode, 0, result.stdout)
        self.assertEqual([p for p in pids if process_running(p)], [])
        with self.assertRaises(OSError):
            socket.create_connection(("127.0.0.1", server.port), timeout=2).close()
        self.assertEqual(server.run("status").returncode, 3)


class NormalMode(unittest.TestCase, StopLeavesNothing):
    @classmethod
    def setUpClass(cls):
        cls.server = DemoServer()
        result = cls.server.run("start")
        if result.returncode != 0:
            raise RuntimeError("start failed:\n" + result.stdout)

    @classmethod
    def tearDownClass(cls):
        cls.server.run("stop")

    def soft(self, name):
        return fetch(self.server.url("/zhibo/RZ4/soft/" + name))

    def channels(self):
        text = bit_reversed(self.soft("baby1.mdb")[2]).decode("cp936")
        return text, text.split("\r\n")

    def test_version_page_names_this_release(self):
        status, _, body = self.soft("Version.html")
        self.assertEqual(status, 200)
        self.assertEqual(body.decode("utf-8").split("|")[0], "3.0.0")

    def test_page_and_logo(self):
        _, content_type, body = self.soft("mini.htm")
        charset = content_type.split("charset=")[1]
        self.assertIn("今日节目", body.decode(charset))
        _, content_type, body = self.soft("Ostrel.jpg")
        self.assertEqual(content_type, "image/jpeg")
        self.assertTrue(body.startswith(b"\xff\xd8\xff"))

    def test_channel_list_is_the_client_format(self):
        text, lines = self.channels()
        self.assertNotIn("\n", text.replace("\r\n", ""))
        self.assertNotIn("@SERVER@", text)
        self.assertFalse([line for line in lines if line.startswith("#")])
        self.assertEqual(len([line for line in lines if line.startswith("*")]), 2)
        self.assertGreaterEqual(len([line for line in lines if line.startswith("[")]), 2)
        self.assertGreaterEqual(len([line for line in lines if "|" in line]), 4)

    def test_live_channels_play_and_the_dead_one_does_not(self):
        _, lines = self.channels()
        addresses = [line.split("|", 1)[1] for line in lines if "|" in line]
        live = 0
        for address in addresses:
            self.assertEqual(urllib.parse.urlsplit(address).netloc,
                             "127.0.0.1:%d" % self.server.port)
            if status_of(address) == 404:
                continue
            live += 1
            _, _, playlist = fetch(address)
            playlist = playlist.decode()
            self.assertIn("#EXT-X-TARGETDURATION:2", playlist)
            segment = [line for line in playlist.splitlines() if line.endswith(".ts")][-1]
            _, content_type, data = fetch(urllib.parse.urljoin(address, segment))
            self.assertEqual(content_type, "video/mp2t")
            self.assertEqual(data[0], 0x47)  # MPEG-TS sync byte
        self.assertGreaterEqual(live, 3)
        self.assertEqual(len(addresses) - live, 1)

    def test_second_start_is_refused(self):
        pids = self.server.pids()
        result = self.server.run("start")
        self.assertNotEqual(result.returncode, 0)
        self.assertEqual(self.server.pids(), pids)
        self.assertEqual(self.server.run("status").returncode, 0)

    def test_zz_stop_leaves_nothing(self):
        self.assert_stops_cleanly(self.server)


class BrokenModes(unittest.TestCase, StopLeavesNothing):
    def test_hanging_server_accepts_and_never_answers(self):
        server = DemoServer("hang")
        result = server.run("start")
        self.assertEqual(result.returncode, 0, result.stdout)
        try:
            with self.assertRaises((socket.timeout, urllib.error.URLError)):
                fetch(server.url("/zhibo/RZ4/soft/Version.html"), timeout=1)
        finally:
            self.assert_stops_cleanly(server)

    def test_error_server_answers_500(self):
        server = DemoServer("error")
        result = server.run("start")
        self.assertEqual(result.returncode, 0, result.stdout)
        try:
            self.assertEqual(status_of(server.url("/zhibo/RZ4/soft/Version.html")), 500)
        finally:
            self.assert_stops_cleanly(server)

    def test_busy_port_is_reported(self):
        with socket.socket() as busy:
            busy.bind(("127.0.0.1", 0))
            busy.listen()
            server = DemoServer()
            server.port = busy.getsockname()[1]
            result = server.run("start")
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("in use", result.stdout)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--script", required=True)
    parser.add_argument("--chanlist", required=True)
    parser.add_argument("--run-dir", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
