#!/usr/bin/env python3
"""End-to-end tests of the real rz4tv binary on a viewer's machine that treats it badly: a channel
list with markup in its names, a temporary folder that is full or read-only, and an X server that
goes away under the program."""

import errno
import os
import subprocess
import sys
import tempfile
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
from desktop import Desktop, wait_until  # noqa: E402
from rz4window import Rz4Window  # noqa: E402
import desktop_suite  # noqa: E402

ARGS = None
NOT_LOADED = "rz4tv: the channel list could not be loaded"


def demo(run, *args):
    subprocess.run([os.path.join(ROOT, "demo", "server.sh"), "start", "--build-dir",
                    ARGS.build_dir, "--port", str(ARGS.port), "--run-dir", run, *args],
                   check=True, capture_output=True)


def stop_demo(run):
    subprocess.run([os.path.join(ROOT, "demo", "server.sh"), "stop", "--run-dir", run],
                   check=False, capture_output=True)


def bright_pixels(region):
    return sum(1 for i in range(0, len(region), 3) if min(region[i:i + 3]) > 150)


def pixels_like(region, rgb):
    return sum(1 for i in range(0, len(region), 3)
               if all(abs(a - b) < 60 for a, b in zip(region[i:i + 3], rgb)))


def session_processes(sid):
    """Pids of processes in a session, other than zombies."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if fields[0] != "Z" and int(fields[3]) == sid:
            found.append(int(entry))
    return found


class Case(unittest.TestCase):
    def setUp(self):
        self.desktop = Desktop()
        self.desktop.start()
        self.addCleanup(self.desktop.stop)

    def start_server(self, *args):
        run = os.path.join(self.desktop.workdir, "demo")
        demo(run, *args)
        self.addCleanup(stop_demo, run)

    def start_window(self, **env):
        window = Rz4Window(self.desktop, ARGS.binary, env=self.desktop.env(**env))
        self.addCleanup(window.stop)
        window.start()
        return window

    def label2_has_text(self, window):
        return bright_pixels(window.region(window.layout().label2)) > 8


class MarkupInNames(Case):
    def test_a_name_with_markup_is_shown_as_text_and_reads_no_file(self):
        picture = os.path.join(self.desktop.workdir, "red.png")
        subprocess.run(["convert", "-size", "60x20", "xc:#ff0000", picture], check=True)
        # A pipe nobody writes to: whoever opens it to read waits, and is seen waiting.
        pipe = os.path.join(self.desktop.workdir, "unread")
        os.mkfifo(pipe)
        source = os.path.join(self.desktop.workdir, "channels.txt")
        with open(source, "w", encoding="utf-8") as f:
            f.write("*演示频道\n[综合频道]\n"
                    f'<img src="file://{picture}"><img src="file://{pipe}">'
                    "|http://@SERVER@/live/ch1/index.m3u8\n")
        self.start_server("--channels", source)
        window = self.start_window()
        window.click_row(1)
        time.sleep(0.8)
        window.click_row(2)
        window.wait_playing()
        x, y, w, h = window.layout().label1
        label = window.region((x, y, w, h))
        self.assertEqual(pixels_like(label, (255, 0, 0)), 0, "the name's picture was drawn")
        # The name's characters follow "您正在收看的是：", which fills the line's left half.
        name = window.region((x + w / 2, y, w / 2, h))
        self.assertGreater(pixels_like(name, (0, 255, 0)), 100, "the name is not shown")
        try:
            os.close(os.open(pipe, os.O_WRONLY | os.O_NONBLOCK))
            self.fail("the program opened the file a name points at")
        except OSError as e:
            self.assertEqual(e.errno, errno.ENXIO)


class BadTemporaryFolder(Case):
    """The list arrives, but cannot be kept: the status line says it is missing, and the log why."""

    def mount(self, *options):
        folder = tempfile.mkdtemp(prefix="rz4-tmpdir-")
        self.addCleanup(os.rmdir, folder)
        res = subprocess.run(["mount", "-t", "tmpfs", "-o", ",".join(("size=64k", *options)),
                              "tmpfs", folder], capture_output=True, text=True)
        if res.returncode != 0:
            self.skipTest(f"cannot mount a small file system here: {res.stderr.strip()}")
        self.addCleanup(subprocess.run, ["umount", "-l", folder], check=False)
        return folder

    def expect_not_loaded(self, window, cause):
        wait_until(lambda: NOT_LOADED in window.log(), 20, what="the log to say why")
        time.sleep(1.0)
        self.assertTrue(self.label2_has_text(window), "the status line says nothing")
        self.assertIn(cause, window.log())

    def test_full(self):
        folder = self.mount()
        with open(os.path.join(folder, "filler"), "wb", buffering=0) as f:
            with self.assertRaises(OSError) as full:
                while True:
                    f.write(b"\0" * 4096)
            self.assertEqual(full.exception.errno, errno.ENOSPC)
        self.start_server()
        window = self.start_window(TMPDIR=folder)
        self.expect_not_loaded(window, os.strerror(errno.ENOSPC))

    def test_read_only(self):
        folder = self.mount("ro")
        self.start_server()
        window = self.start_window(TMPDIR=folder)
        self.expect_not_loaded(window, f"cannot make a folder for it in {folder}")


class DisplayGoes(Case):
    def test_the_program_ends_with_a_line_and_a_code_and_leaves_nothing(self):
        self.start_server()
        window = self.start_window()
        window.play_first_demo_channel()
        xvfb = next(p for p in self.desktop._procs if p.args[0] == "Xvfb" and p.poll() is None)
        xvfb.kill()
        xvfb.wait(10)
        wait_until(lambda: window.proc.poll() is not None, 20, what="the program to end")
        self.assertGreater(window.proc.returncode, 0,
                           f"ended with {window.proc.returncode}; log:\n{window.log()}")
        self.assertIn("rz4tv: the connection to the X server was lost", window.log())
        wait_until(lambda: not session_processes(window.proc.pid), 10,
                   what="the program's helper processes to end")


if __name__ == "__main__":
    ARGS = desktop_suite.arguments()
    sys.exit(desktop_suite.run(ARGS, 540))
