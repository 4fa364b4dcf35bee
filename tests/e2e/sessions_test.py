#!/usr/bin/env python3
"""The real program in the sessions viewers have beside a plain X11 desktop: a Wayland session
(weston, headless, with XWayland), where it must come up on XWayland and play, or say why it
cannot; and high-DPI X11 at scale factors 2 and 1.5 (Xvfb + icewm), where the window, the video,
the skin, the slider, the hot areas and full screen must land on the device pixels the layout
gives them."""

import ctypes
import ctypes.util
import math
import os
import re
import sys
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
import desktop_suite  # noqa: E402
from desktop import SCREEN_H, SCREEN_W, Desktop, DesktopError, difference, wait_until  # noqa: E402
from e2e_test import colour_close, uniform_points  # noqa: E402
from rz4window import DESIGN_H, DESIGN_W, Layout, Rz4Window  # noqa: E402

ARGS = None


def qt_round(v):
    """Qt's rounding of a non-negative length: halves up."""
    return int(math.floor(v + 0.5))


def device_rect(rect, scale):
    """Where the window paints a layout rectangle (logical pixels, unrounded) at a scale: each
    edge rounded to a logical pixel, then scaled and rounded again."""
    x, y, w, h = rect
    left, top = qt_round(qt_round(x) * scale), qt_round(qt_round(y) * scale)
    right, bottom = qt_round(qt_round(x + w) * scale), qt_round(qt_round(y + h) * scale)
    return left, top, right - left, bottom - top


class DemoServer(unittest.TestCase):
    """A suite on a desktop of its own with the demo channel server running."""

    @classmethod
    def start_on(cls, desktop):
        cls.desktop = desktop
        cls.enterClassContext(desktop_suite.demo_server(ARGS, os.path.join(desktop.workdir,
                                                                           "demo")))
        cls.enterClassContext(desktop)

    @classmethod
    def start_window(cls, window):
        cls.window = window
        cls.addClassCleanup(window.stop)
        window.start()

    def program_log(self, name):
        with open(os.path.join(self.desktop.workdir, name), "rb") as f:
            return f.read().decode("utf-8", "replace")


# -- Wayland ----------------------------------------------------------------------------------

class WestonDesktop(Desktop):
    """weston on its headless back end with XWayland: the session a viewer's Wayland desktop
    gives, XWayland on a display of weston's choosing."""

    def start(self):
        self.socket = f"rz4-wayland-{os.getpid()}"
        log = os.path.join(self.workdir, "weston.log")
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env["XDG_RUNTIME_DIR"] = self._runtime_dir()
        self.spawn(["weston", "--backend=headless-backend.so", f"--socket={self.socket}",
                    "--xwayland", "--no-config", f"--log={log}", f"--width={self.width}",
                    f"--height={self.height}"], "weston.out", env=env)

        def xwayland_display():
            try:
                with open(log) as f:
                    return re.search(r"xserver listening on display :(\d+)", f.read())
            except FileNotFoundError:
                return None
        self.display = wait_until(xwayland_display, 20, what="weston's XWayland").group(1)

    def env(self, **extra):
        env = super().env(WAYLAND_DISPLAY=self.socket, XDG_SESSION_TYPE="wayland", **extra)
        if "QT_QPA_PLATFORM" not in extra:
            env.pop("QT_QPA_PLATFORM", None)  # the viewer has chosen nothing
        return env


class _XButtonEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("root", ctypes.c_ulong), ("subwindow", ctypes.c_ulong), ("time", ctypes.c_ulong),
                ("x", ctypes.c_int), ("y", ctypes.c_int), ("x_root", ctypes.c_int),
                ("y_root", ctypes.c_int), ("state", ctypes.c_uint), ("button", ctypes.c_uint),
                ("same_screen", ctypes.c_int)]


class _XEvent(ctypes.Union):
    _fields_ = [("xbutton", _XButtonEvent), ("pad", ctypes.c_long * 24)]


def send_click(display, wid, x, y):
    """A left click delivered to the window itself. xdotool moves the pointer through XTEST, which
    takes XWayland down in a compositor without a seat; Qt handles a sent button event as a real
    one."""
    x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(_XEvent)]
    x11.XFlush.argtypes = x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    dpy = x11.XOpenDisplay(display.encode())
    if not dpy:
        raise DesktopError(f"cannot open display {display}")
    try:
        root = x11.XDefaultRootWindow(dpy)
        for kind, state in ((4, 0), (5, 1 << 8)):  # ButtonPress; ButtonRelease with button 1 down
            event = _XEvent()
            b = event.xbutton
            b.type, b.display, b.window, b.root = kind, dpy, wid, root
            b.x, b.y, b.x_root, b.y_root = int(x), int(y), int(x), int(y)
            b.state, b.button, b.same_screen = state, 1, 1
            x11.XSendEvent(dpy, wid, 1, 0, ctypes.byref(event))
            x11.XFlush(dpy)
            time.sleep(0.05)
    finally:
        x11.XCloseDisplay(dpy)


class XWaylandWindow(Rz4Window):
    """The window on XWayland: clicked with sent events, photographed alone (a rootless XWayland
    has no picture of its root window)."""

    def click_point(self, point, double=False):
        send_click(f":{self.desktop.display}", self.wid, *point)

    def region(self, rect, shot=None):
        shot = shot or self.desktop.screenshot(self.wid)
        return shot.region(*(int(v) for v in rect))


class WaylandSession(DemoServer):
    @classmethod
    def setUpClass(cls):
        cls.start_on(WestonDesktop())

    def test_1_runs_on_xwayland_says_so_once_and_plays(self):
        self.start_window(XWaylandWindow(self.desktop, ARGS.binary, "rz4tv-wayland.log"))
        self.window.play_first_demo_channel()
        notes = [line for line in self.program_log("rz4tv-wayland.log").splitlines()
                 if line.startswith("rz4tv:") and "Wayland" in line]
        self.assertEqual(len(notes), 1, notes)
        self.assertIn("XWayland", notes[0])
        self.window.stop()

    def test_2_without_xwayland_says_why_and_stays_up(self):
        env = self.desktop.env()
        del env["DISPLAY"]
        proc = self.desktop.spawn([ARGS.binary], "rz4tv-no-x.log", env=env)
        try:
            wait_until(lambda: "cannot play" in self.program_log("rz4tv-no-x.log")
                       or proc.poll() is not None, 60, what="a word on why it cannot play")
            time.sleep(2)
            # Its message box stands on Wayland; a crash would have ended it by a signal.
            self.assertIsNone(proc.poll(), self.program_log("rz4tv-no-x.log")[-2000:])
        finally:
            self.desktop._stop_proc(proc)


# -- High DPI ---------------------------------------------------------------------------------

class Scaled(DemoServer):
    """One program run at a Qt scale factor, on a screen as many logical pixels as the usual."""

    scale = None

    @classmethod
    def setUpClass(cls):
        s = cls.scale
        cls.start_on(Desktop(size=(qt_round(SCREEN_W * s), qt_round(SCREEN_H * s))))
        cls.start_window(Rz4Window(cls.desktop, ARGS.binary, f"rz4tv-{s}.log",
                                   env=cls.desktop.env(QT_SCALE_FACTOR=str(s)), scale=s))

    def picture(self):
        """mpv's window, where the picture is: absolute x, y, width, height."""
        d = self.desktop
        for wid in d.windows_of(self.window.proc.pid):
            if "mpv" in d.run(["xprop", "-id", str(wid), "WM_CLASS"], check=False).stdout:
                try:
                    x, y, w, h, state = d.geometry(wid)
                except DesktopError:
                    continue
                if state == "IsViewable":
                    return x, y, w, h
        return None

    def expect_video_area(self):
        """The picture fills the video area of the window's current size, to the pixel."""
        wx, wy, ww, wh, _ = self.window.geometry()
        logical = Layout(round(ww / self.scale), round(wh / self.scale))
        vx, vy, vw, vh = device_rect(logical.video, self.scale)
        try:
            wait_until(lambda: self.picture() == (wx + vx, wy + vy, vw, vh), 10, what="picture")
        except DesktopError:
            self.fail(f"the picture is at {self.picture()} on the screen, not at "
                      f"{(vx, vy, vw, vh)} in the window at {(wx, wy)}")

    def test_1_window_skin_and_video_take_their_device_pixels(self):
        s, w = self.scale, self.window
        x, y, width, height, _ = w.geometry()
        self.assertEqual((width, height), (qt_round(DESIGN_W * s), qt_round(DESIGN_H * s)))
        self.assertLessEqual(abs(x - (self.desktop.width - width) // 2), 2, "not centred")
        self.assertLessEqual(abs(y - (self.desktop.height - height) // 2), 2, "not centred")
        self.expect_video_area()
        skin = os.path.join(ROOT, "resources", "skin")
        samples = []
        # Corner pieces keep their bitmaps, scaled, at the corners they are anchored to (the web
        # pane covers the rows of the top-right one from 24 down).
        for name, (left, top, rows) in {"image1.png": (0, 0, 61),
                                        "image3.png": (DESIGN_W - 208, 0, 24),
                                        "image5.png": (0, DESIGN_H - 50, 50),
                                        "image13.png": (DESIGN_W - 204, DESIGN_H - 9, 9)}.items():
            for px, py, colour in uniform_points(os.path.join(skin, name)):
                if py < rows - 2:
                    at = (x + int((left + px + 0.5) * s), y + int((top + py + 0.5) * s))
                    samples.append((f"{name} pixel {px},{py}", colour, at))

        def wrong(shot):
            return [(what, colour, shot.pixel(*at)) for what, colour, at in samples
                    if not colour_close(shot.pixel(*at), colour)]
        # The window may still be painting its first picture.
        try:
            wait_until(lambda: not wrong(self.desktop.screenshot()), 10, interval=0.5,
                       what="the skin")
        except DesktopError:
            self.fail(f"skin pixels (skin colour, on screen): {wrong(self.desktop.screenshot())}")

    def test_2_plays_and_full_screen_covers_the_screen(self):
        d, w = self.desktop, self.window
        w.play_first_demo_channel()
        w.click_player(3)
        try:
            wait_until(lambda: self.picture() == (0, 0, d.width, d.height), 10,
                       what="the picture to cover the screen")
            a = d.screenshot().region(100, 100, d.width - 200, d.height - 200)
            time.sleep(0.8)
            self.assertGreater(difference(a, d.screenshot().region(100, 100, d.width - 200,
                                                                   d.height - 200)), 0.002,
                               "full-screen video is not moving")
        finally:
            d.key("Escape")
        self.expect_video_area()
        w.wait_playing()

    def test_3_slider_ends_and_maximise_at_scale(self):
        d, w, s = self.desktop, self.window, self.scale
        vx, vy, vw, vh = w.layout().volume
        for press_x, (low, high) in ((vx + s, (0.0, 0.25)), (vx + vw - s, (0.75, 1.0))):
            w.click_point((int(press_x), int(vy + vh / 2)))
            time.sleep(0.4)
            # The knob is the one bright thing on the slider.
            sx, sy, sw, sh = w.screen_rect(w.layout().volume)
            shot = d.screenshot()
            bright = [i for i in range(sw) for j in range(sh)
                      if min(shot.pixel(sx + i, sy + j)) > 200]
            self.assertTrue(bright, "no knob on the slider")
            centre = sum(bright) / len(bright) / sw
            self.assertTrue(low <= centre <= high, f"knob at {centre:.2f} of the slider")

        wx, wy, ww, wh = d.work_area()
        w.click_title(2)
        try:
            # At 1.5 a work area an odd number of pixels high has no whole logical height: Qt
            # rounds it up, and the window reaches a pixel under the taskbar rather than stop short.
            slack = 0 if float(s).is_integer() else 1
            wait_until(lambda: w.geometry()[:3] == (wx, wy, ww)
                       and 0 <= w.geometry()[3] - wh <= slack, 10,
                       what=f"the window to fill the work area {ww}x{wh}")
            self.expect_video_area()
        finally:
            w.click_title(2)
        wait_until(lambda: w.geometry()[2:4] == (qt_round(DESIGN_W * s), qt_round(DESIGN_H * s)),
                   10, what="the window back at the design size")


class AtScale2(Scaled):
    scale = 2


class AtScale1_5(Scaled):
    scale = 1.5


def load_tests(loader, tests, pattern):
    # Scaled itself is the pattern of the two, not a suite.
    suite = unittest.TestSuite()
    for case in (WaylandSession, AtScale2, AtScale1_5):
        suite.addTests(loader.loadTestsFromTestCase(case))
    return suite


if __name__ == "__main__":
    ARGS = desktop_suite.arguments()
    sys.exit(desktop_suite.run(ARGS, 600))
