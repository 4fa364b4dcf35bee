#!/usr/bin/env python3
"""The real program driven the way desktops drive media players: its media controls on a session
bus of the suite's own (MPRIS 2, called with gdbus as an applet or playerctl would), the screen
saver's bus service (a fake that logs its calls), the X server's own screen saver, and the keys
and the wheel on the window (xdotool)."""

import ctypes
import ctypes.util
import os
import re
import subprocess
import sys
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
sys.path.insert(0, os.path.join(ROOT, "demo"))
import desktop_suite  # noqa: E402
import make_guide  # noqa: E402
from desktop import wait_until  # noqa: E402
from e2e_test import Rz4Case, find_knob, knob_rows, tray_icon  # noqa: E402
from rz4window import Rz4Window, centre  # noqa: E402

ARGS = None
PATH, PLAYER, ROOT_IFACE = "/org/mpris/MediaPlayer2", "org.mpris.MediaPlayer2.Player", \
    "org.mpris.MediaPlayer2"


class _SaverInfo(ctypes.Structure):
    _fields_ = [("window", ctypes.c_ulong), ("state", ctypes.c_int), ("kind", ctypes.c_int),
                ("til_or_since", ctypes.c_ulong), ("idle", ctypes.c_ulong),
                ("event_mask", ctypes.c_ulong)]


def x_screen_saver(display, timeout=None):
    """Whether the X server's own screen saver is on; first sets its timeout (0: never) and wakes
    it, when one is given."""
    x11, xss = (ctypes.CDLL(ctypes.util.find_library(n)) for n in ("X11", "Xss"))
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    for f in (x11.XDefaultRootWindow, x11.XResetScreenSaver, x11.XCloseDisplay):
        f.argtypes = [ctypes.c_void_p]
    x11.XSetScreenSaver.argtypes = [ctypes.c_void_p] + [ctypes.c_int] * 4
    xss.XScreenSaverQueryInfo.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                          ctypes.POINTER(_SaverInfo)]
    dpy = x11.XOpenDisplay(f":{display}".encode())
    try:
        if timeout is not None:
            x11.XSetScreenSaver(dpy, timeout, 0, 1, 1)
            x11.XResetScreenSaver(dpy)
        info = _SaverInfo()
        xss.XScreenSaverQueryInfo(dpy, x11.XDefaultRootWindow(dpy), ctypes.byref(info))
        return info.state == 1  # ScreenSaverOn
    finally:
        x11.XCloseDisplay(dpy)


class MediaControls(Rz4Case):
    """One program run on a desktop with a session bus; the tests run in the order of their
    names."""

    @classmethod
    def start_with_bus(cls, args, **env):
        """The desktop, the demo server and a session bus of the suite's own; cls.env, the
        program's environment, has the bus and `env`."""
        cls.start_desktop()
        d = cls.desktop
        cls.enterClassContext(desktop_suite.demo_server(args, os.path.join(d.workdir, "demo")))
        address = desktop_suite.session_bus(d)
        cls.env = d.env(DBUS_SESSION_BUS_ADDRESS=address, **env)
        wait_until(lambda: cls.gdbus("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                     "org.freedesktop.DBus.ListNames", check=False), 10,
                   what="the session bus")

    @classmethod
    def setUpClass(cls):
        cls.start_with_bus(ARGS)
        d = cls.desktop
        d.spawn([os.path.join(ARGS.build_dir, "tests", "support", "rz4-fake-screensaver")],
                "screensaver.log", env=cls.env)
        wait_until(lambda: cls.saver_calls() == ["ready"], 10, what="the screen saver service")
        cls.window = Rz4Window(d, ARGS.binary, env=cls.env)
        cls.window.start()
        cls.name = wait_until(cls.mpris_name, 10, what="the program's name on the bus")
        d.spawn(["gdbus", "monitor", "--session", "--dest", cls.name, "--object-path", PATH],
                "monitor.log", env=cls.env)
        time.sleep(1.0)

    # -- the bus ----------------------------------------------------------------------------
    @classmethod
    def gdbus(cls, dest, path, method, *args, check=True):
        res = subprocess.run(["gdbus", "call", "--session", "--dest", dest, "--object-path", path,
                              "--method", method, *args], env=cls.env, capture_output=True,
                             text=True, timeout=20)
        if check and res.returncode != 0:
            raise AssertionError(f"gdbus {method}: {res.stderr.strip()}")
        return res.stdout.strip() if res.returncode == 0 else None

    @classmethod
    def mpris_name(cls):
        names = cls.gdbus("org.freedesktop.DBus", "/org/freedesktop/DBus",
                          "org.freedesktop.DBus.ListNames")
        found = re.search(r"'(org\.mpris\.MediaPlayer2\.[^']+)'", names)
        return found and found.group(1)

    def call(self, method, iface=PLAYER, check=True):
        return self.gdbus(self.name, PATH, f"{iface}.{method}", check=check)

    def prop(self, name, iface=PLAYER):
        """A property's value as gdbus prints it."""
        out = self.gdbus(self.name, PATH, "org.freedesktop.DBus.Properties.Get", iface, name)
        return re.fullmatch(r"\(<(.*)>,\)", out, re.S).group(1)

    def set_prop(self, name, value, iface=PLAYER):
        self.gdbus(self.name, PATH, "org.freedesktop.DBus.Properties.Set", iface, name,
                   f"<{value}>")

    def metadata(self, key):
        found = re.search(rf"'{key}': <'([^']*)'>", self.prop("Metadata"))
        return found and found.group(1)

    def wait_prop(self, name, value, iface=PLAYER, timeout=30):
        wait_until(lambda: self.prop(name, iface) == value, timeout, interval=0.3,
                   what=f"{name} {value}")

    def wait_title(self, title):
        wait_until(lambda: self.metadata("xesam:title") == title, 15, interval=0.3,
                   what=f"the title {title}")

    @classmethod
    def saver_calls(cls):
        with open(os.path.join(cls.desktop.workdir, "screensaver.log")) as f:
            return f.read().splitlines()

    def announced(self, text):
        with open(os.path.join(self.desktop.workdir, "monitor.log"), encoding="utf-8") as f:
            return any("PropertiesChanged" in line and text in line for line in f)

    # -- the window -------------------------------------------------------------------------
    def key(self, *names):
        for name in names:
            self.desktop.key(name)
            time.sleep(0.3)

    def wait_fullscreen(self, on):
        d = self.desktop

        def seen():
            return any(d.geometry(wid)[2:5] == (d.width, d.height, "IsViewable")
                       for wid in d.windows_of(self.window.proc.pid))
        self.wait_prop("Fullscreen", "true" if on else "false", ROOT_IFACE, 10)
        wait_until(lambda: seen() == on, 10, what=f"a full-screen window: {on}")

    # -- the tests --------------------------------------------------------------------------
    def test_01_the_screen_saver_comes_under_the_logo_and_stays_off_while_a_channel_plays(self):
        d = self.desktop
        try:
            x_screen_saver(d.display, 2)
            wait_until(lambda: x_screen_saver(d.display), 20, interval=0.5,
                       what="the X screen saver under the start-up picture")
            x_screen_saver(d.display, 0)
            self.call("Next")
            self.window.wait_playing()
            x_screen_saver(d.display, 2)
            time.sleep(5)
            self.assertFalse(x_screen_saver(d.display), "the screen saver came on")
            self.call("Stop")
            wait_until(lambda: x_screen_saver(d.display), 20, interval=0.5,
                       what="the X screen saver after stop")
        finally:
            x_screen_saver(d.display, 0)

    def test_02_the_player_is_on_the_bus_and_walks_the_tree(self):
        self.assertEqual(self.prop("Identity", ROOT_IFACE), "'RZ4网络电视'")
        self.assertEqual(self.name, "org.mpris.MediaPlayer2." +
                         self.prop("DesktopEntry", ROOT_IFACE).strip("'"))
        self.assertEqual((self.prop("CanGoNext"), self.prop("CanSeek")), ("true", "false"))
        self.assertEqual(self.metadata("xesam:title"), "测试一台")
        self.assertEqual(self.metadata("xesam:album"), "综合频道")
        self.call("Next")
        self.wait_title("彩条频道")
        self.call("Next")  # into the next category
        self.wait_title("生活频道")
        self.assertEqual(self.metadata("xesam:album"), "本地频道")
        self.call("Previous")
        self.wait_title("彩条频道")
        self.window.wait_playing()
        self.wait_prop("PlaybackStatus", "'Playing'")
        self.assertTrue(self.announced("'xesam:title': <'彩条频道'>"))

    def test_02a_the_controls_name_the_programme_on_now_from_the_guide(self):
        # 彩条频道 plays, the second channel of the demo guide.
        def artist():
            found = re.search(r"'xesam:artist': <\['([^']*)'\]>", self.prop("Metadata"))
            return found and found.group(1)

        def on_now():
            return artist() in {make_guide.title_at(1, time.time() + d) for d in (-3, 0, 3)}
        wait_until(on_now, 20, interval=0.5, what="the programme on now")

    def test_03_play_pause_holds_and_plays_and_the_screen_saver_follows(self):
        w = self.window
        wait_until(lambda: self.saver_calls()[-1].startswith("Inhibit"), 10,
                   what="the screen saver to be held off")
        inhibited = self.saver_calls()[-1]
        self.wait_prop("CanPause", "true")
        self.call("PlayPause")
        self.wait_prop("PlaybackStatus", "'Paused'")
        self.assertTrue(self.label2_has_text(), "the status line does not say paused")
        self.assertFalse(w.video_is_moving(1.0), "video still moving after PlayPause")
        wait_until(lambda: self.saver_calls()[-1] == "Un" + inhibited, 10, what="UnInhibit")
        self.assertTrue(self.announced("'PlaybackStatus': <'Paused'>"))

        before = len(self.saver_calls())
        self.call("PlayPause")
        w.wait_playing()
        # Behind live now, and the status line says by how much; a stop and a play are live.
        self.assertTrue(self.label2_has_text(), "the status line does not say behind live")
        self.call("Stop")
        self.wait_prop("PlaybackStatus", "'Stopped'")
        self.wait_prop("CanSeek", "false")
        self.call("Play")
        w.wait_playing()
        wait_until(lambda: not self.label2_has_text(), 10, what="the status line to blank")
        time.sleep(2)
        calls = self.saver_calls()[before:]
        self.assertEqual(len(calls), 3, calls)
        self.assertEqual(calls, [calls[0], "Un" + calls[0], calls[2]])
        self.call("Stop")
        wait_until(lambda: len(self.saver_calls()) == before + 4, 10, what="UnInhibit")
        self.call("Play")
        w.wait_playing()

    def test_04_volume_moves_the_knob_and_keys_and_wheel_step_it(self):
        w = self.window
        knob = knob_rows()
        for volume, x in (("0.0", 3), ("1.0", 74)):
            self.set_prop("Volume", volume)
            wait_until(lambda: abs(find_knob(self.shot(), w.screen_rect(w.layout().volume), knob)
                                   - x) <= 1, 5, what=f"the knob at volume {volume}")
        self.assertTrue(self.announced("'Volume': <1.0>"))

        w.click_at(w.layout().video)  # gives the window the keys
        self.key("minus", "minus", "plus")
        self.assertAlmostEqual(float(self.prop("Volume")), 0.95)
        self.desktop.xdotool("click", 5)  # the wheel, over the video still
        self.desktop.xdotool("mousemove", "--sync", *w.to_screen(centre(w.layout().volume)))
        self.desktop.xdotool("click", 5)
        time.sleep(0.3)
        self.assertAlmostEqual(float(self.prop("Volume")), 0.85)

    def test_05_keys_drive_the_window(self):
        w = self.window
        w.click_at(w.layout().video)
        time.sleep(0.6)  # a second click at once would be a double click
        self.key("space")
        self.wait_prop("PlaybackStatus", "'Paused'")
        self.key("space")
        self.wait_prop("PlaybackStatus", "'Playing'")
        self.key("s")
        self.wait_prop("PlaybackStatus", "'Stopped'")
        self.key("Down")
        self.wait_title("生活频道")
        self.key("Page_Up")
        self.wait_title("彩条频道")
        w.wait_playing()

        self.key("f")
        self.wait_fullscreen(True)
        self.key("Escape")
        self.wait_fullscreen(False)
        self.key("Return")
        self.wait_fullscreen(True)
        self.set_prop("Fullscreen", "false", ROOT_IFACE)
        self.wait_fullscreen(False)

    def test_06_the_tree_keeps_its_arrow_keys(self):
        self.window.click_row(2)  # the first channel, which takes the keys
        self.wait_title("测试一台")
        self.key("Down", "Down")
        time.sleep(1.0)
        self.assertEqual(self.metadata("xesam:title"), "测试一台")
        self.key("space")
        self.wait_prop("PlaybackStatus", "'Paused'")
        self.key("space")
        self.window.wait_playing()

    def test_07_raise_shows_the_window_hidden_in_the_tray(self):
        w = self.window
        before = w.geometry()[:4]
        w.click_title(0)
        wait_until(lambda: w.geometry()[4] != "IsViewable", 10, what="the window to hide")
        self.call("Raise", ROOT_IFACE)
        wait_until(lambda: w.geometry()[4] == "IsViewable", 10, what="the window to come back")
        self.assertEqual(w.geometry()[:4], before)

    def test_08_quit_ends_the_program_and_removes_the_tray_icon(self):
        d, w = self.desktop, self.window
        icon = tray_icon(d, w)
        self.assertIsNotNone(icon, "no tray icon")
        self.call("Quit", ROOT_IFACE, check=False)  # the reply may go with the program
        wait_until(lambda: w.proc.poll() is not None, 10, what="the program to exit")
        self.assertEqual(w.proc.returncode, 0)
        self.assertNotEqual(d.run(["xwininfo", "-id", str(icon)], check=False).returncode, 0,
                            "the tray icon is still there")
        self.assertIsNone(self.mpris_name())
        self.assertTrue(self.saver_calls()[-1].startswith("UnInhibit"), self.saver_calls())


if __name__ == "__main__":
    ARGS = desktop_suite.arguments()
    sys.exit(desktop_suite.run(ARGS, 540))
