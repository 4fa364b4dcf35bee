#!/usr/bin/env python3
"""Pause, the time-shift and recording on the real program: the window's keys (xdotool), the
desktop's media controls on a session bus of the suite's own (gdbus), the status line and the
picture read from the screen, recordings read back with ffprobe and played with mpv, and a small
file system that fills up under the recordings folder."""

import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
import desktop_suite  # noqa: E402
from desktop import wait_until  # noqa: E402
from e2e_test import Rz4Case  # noqa: E402
# The module, not its suite: a suite imported here would run here too.
import media_controls_test as controls  # noqa: E402
from rz4window import Rz4Window  # noqa: E402

ARGS = None
FOLDER = "RZ4网络电视"


def duration(path):
    out = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "format=duration", "-of",
                          "csv=p=0", path], capture_output=True, text=True, timeout=30)
    try:
        return float(out.stdout.strip())
    except ValueError:
        return 0.0


def plays_in_mpv(path):
    return subprocess.run(["mpv", "--no-config", "--vo=null", "--ao=null", "--frames=25", path],
                          capture_output=True, timeout=60).returncode == 0


class TimeShift(Rz4Case):
    """One program run; the tests run in the order of their names."""

    # The bus helpers of the media-controls suite, on this suite's own bus.
    gdbus = controls.MediaControls.__dict__["gdbus"]
    start_with_bus = controls.MediaControls.__dict__["start_with_bus"]
    mpris_name = controls.MediaControls.__dict__["mpris_name"]
    call, prop, wait_prop, key = controls.MediaControls.call, controls.MediaControls.prop, \
        controls.MediaControls.wait_prop, controls.MediaControls.key

    @classmethod
    def setUpClass(cls):
        # The desktop's videos folder and the temp folder are the suite's own.
        workdir = tempfile.mkdtemp(prefix="rz4-time-shift-")
        cls.videos = os.path.join(workdir, "videos")
        cls.tmp = os.path.join(workdir, "tmp")
        config = os.path.join(workdir, "config")
        for folder in (cls.videos, cls.tmp, config):
            os.makedirs(folder)
        with open(os.path.join(config, "user-dirs.dirs"), "w") as f:
            f.write(f'XDG_VIDEOS_DIR="{cls.videos}"\n')
        cls.addClassCleanup(shutil.rmtree, workdir, ignore_errors=True)
        cls.start_with_bus(ARGS, TMPDIR=cls.tmp, XDG_CONFIG_HOME=config)
        d = cls.desktop
        cls.window = Rz4Window(d, ARGS.binary, env=cls.env)
        cls.window.start()
        cls.name = wait_until(cls.mpris_name, 10, what="the program's name on the bus")

    def player(self, method, *args):
        return self.gdbus(self.name, controls.PATH, f"{controls.PLAYER}.{method}", *args)

    def position(self):
        return int(self.prop("Position").split()[-1]) / 1e6

    def behind(self):
        """The status line says something: how far behind live, paused, recording."""
        return self.label2_has_text()

    def recordings(self):
        return sorted(glob.glob(os.path.join(self.videos, FOLDER, "*")))

    def give_keys(self):
        self.window.click_at(self.window.layout().video)
        time.sleep(0.6)  # a second click at once would be a double click

    def test_01_pause_holds_the_picture_and_play_goes_on_from_it(self):
        w = self.window
        self.call("Next")
        w.wait_playing()
        self.wait_prop("CanPause", "true")
        self.assertEqual(self.prop("CanSeek"), "true")
        # The buffer's folder is private and its file has no name in it.
        folders = glob.glob(os.path.join(self.tmp, "*timeshift*"))
        self.assertEqual(len(folders), 1, folders)
        self.assertEqual(os.listdir(folders[0]), [])

        self.give_keys()
        self.key("space")
        self.wait_prop("PlaybackStatus", "'Paused'")
        self.assertFalse(w.video_is_moving(1.0), "the picture moves while paused")
        time.sleep(1.0)  # the position is told once a second
        held = self.position()
        self.assertTrue(self.behind(), "the status line does not say paused")
        time.sleep(4)
        self.assertEqual(self.position(), held)
        self.key("space")
        self.wait_prop("PlaybackStatus", "'Playing'")
        w.wait_playing()
        # From the held moment: live would be five seconds on.
        self.assertLess(self.position() - held, 3.0)
        self.assertTrue(self.behind(), "the status line does not say behind live")

    def test_02_keys_seek_inside_the_buffer_and_end_goes_live(self):
        self.give_keys()
        before = self.position()
        self.key("shift+Left")
        wait_until(lambda: self.position() < min(before, 2.0), 10, interval=0.3,
                   what="a minute back to land at the buffer's start")
        at = self.position()
        self.key("Right")
        wait_until(lambda: self.position() > at + 5 or not self.behind(), 10, interval=0.3,
                   what="ten seconds forward")
        self.key("End")
        wait_until(lambda: not self.behind(), 10, interval=0.3, what="live: a blank status line")
        self.window.wait_playing()

    def test_03_the_media_controls_seek_pause_and_play(self):
        self.player("Seek", "--", "-10000000")
        wait_until(self.behind, 10, interval=0.3, what="behind live after Seek")
        track = re.search(r"'mpris:trackid': <objectpath '([^']+)'", self.prop("Metadata"))
        self.player("SetPosition", track.group(1), "0")
        wait_until(lambda: self.position() < 2.0, 10, interval=0.3, what="SetPosition 0")
        self.call("Pause")
        self.wait_prop("PlaybackStatus", "'Paused'")
        self.call("PlayPause")
        self.wait_prop("PlaybackStatus", "'Playing'")
        self.player("Seek", "600000000")  # past live is live
        wait_until(lambda: not self.behind(), 10, interval=0.3, what="live after a long Seek")

    def test_04_a_recording_ends_with_the_channel_and_plays(self):
        self.give_keys()
        self.key("shift+r")  # from the oldest moment held
        wait_until(lambda: self.recordings() and os.path.getsize(self.recordings()[0]) > 100000,
                   20, interval=0.5, what="a recording file that grows")
        self.assertTrue(self.behind(), "the status line does not say recording")
        (first,) = self.recordings()
        self.assertTrue(re.search(r"_\d{8}-\d{6}\.ts$", first), first)
        time.sleep(2)
        self.key("Down")  # another channel ends it
        time.sleep(2)
        size = os.path.getsize(first)
        time.sleep(2)
        self.assertEqual(os.path.getsize(first), size, "still written after the switch")
        self.assertGreater(duration(first), 3.0)
        self.assertTrue(plays_in_mpv(first))
        wait_until(lambda: not self.behind(), 10, interval=0.3, what="a blank status line")

    def test_05_a_full_disk_stops_the_recording_and_nothing_else(self):
        folder = os.path.join(self.videos, FOLDER)
        for name in os.listdir(folder):
            os.remove(os.path.join(folder, name))
        res = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=6m", "tmpfs", folder],
                             capture_output=True, text=True)
        if res.returncode != 0:
            self.skipTest(f"cannot mount a small file system here: {res.stderr.strip()}")
        self.addCleanup(subprocess.run, ["umount", "-l", folder], check=False)
        self.give_keys()
        self.key("shift+r")
        wait_until(lambda: self.recordings(), 10, interval=0.3, what="a recording")
        (file,) = self.recordings()
        size = -1
        # Stopped: the file stops growing, and the status line still says why.
        while size != os.path.getsize(file):
            size = os.path.getsize(file)
            time.sleep(2)
        self.assertTrue(self.behind(), "the status line does not say the recording stopped")
        at = self.position()
        wait_until(lambda: self.position() > at + 1, 10, interval=0.3, what="playback going on")
        self.assertEqual(self.prop("PlaybackStatus"), "'Playing'")
        self.assertGreater(duration(file), 0.5)
        self.key("Down")
        wait_until(lambda: not self.behind(), 10, interval=0.3, what="the note gone with the "
                   "channel")

    def test_06_quitting_ends_a_recording_cleanly(self):
        self.window.wait_playing()
        self.wait_prop("CanSeek", "true")
        before = set(self.recordings())
        self.give_keys()
        self.key("r")
        wait_until(lambda: set(self.recordings()) - before, 10, interval=0.3,
                   what="a new recording")
        time.sleep(4)
        self.call("Quit", "org.mpris.MediaPlayer2", check=False)
        wait_until(lambda: self.window.proc.poll() is not None, 10, what="the program to exit")
        (file,) = set(self.recordings()) - before
        self.assertGreater(duration(file), 2.0)
        self.assertTrue(plays_in_mpv(file))
        self.assertEqual(glob.glob(os.path.join(self.tmp, "*timeshift*")), [],
                         "the buffer's folder stayed behind")


if __name__ == "__main__":
    ARGS = desktop_suite.arguments()
    sys.exit(desktop_suite.run(ARGS, 540))
