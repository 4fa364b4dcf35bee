#!/usr/bin/env python3
"""End-to-end tests of the real rz4tv binary: a virtual desktop (Xvfb + icewm), the demo channel
server, the window driven with xdotool and checked by screenshots and window properties."""

import os
import socket
import subprocess
import sys
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
from desktop import (SCREEN_H, SCREEN_W, Desktop, DesktopError, difference,  # noqa: E402
                     wait_until)
from rz4window import CAPTION, DESIGN_H, DESIGN_W, Rz4Window, centre  # noqa: E402
import desktop_suite  # noqa: E402

ARGS = None
TREE_BG = (54, 54, 86)

# Rows of the demo list as the tree shows them after start-up: categories open, groups closed.
ROW_FIRST_GROUP, ROW_FIRST_CHANNEL, ROW_SECOND_CATEGORY = 1, 2, 4
ROW_SECOND_GROUP, ROW_DEAD_CHANNEL = 5, 7


def near(a, b, tol=2):
    return abs(a - b) <= tol


def colour_close(a, b, tol=10):
    return all(abs(x - y) <= tol for x, y in zip(a, b))


def port_in_use(port):
    with socket.socket() as s:
        return s.connect_ex(("127.0.0.1", port)) == 0


def demo(*args):
    return subprocess.run([os.path.join(ROOT, "demo", "server.sh"), *args], check=True,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)


def png_pixels(path):
    """Width, height and RGB bytes of a PNG, read through ImageMagick."""
    out = subprocess.run(["convert", path, "-format", "%w %h", "info:"], check=True,
                         capture_output=True, text=True).stdout.split()
    data = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], check=True,
                          capture_output=True).stdout
    return int(out[0]), int(out[1]), data


def uniform_points(path, count=6):
    """Points of a skin picture whose 5 x 5 neighbourhood has one colour, so a sample taken there
    on screen does not depend on sub-pixel placement."""
    w, h, data = png_pixels(path)

    def at(x, y):
        i = (y * w + x) * 3
        return tuple(data[i:i + 3])

    points = []
    for y in range(2, h - 2, 3):
        for x in range(2, w - 2, 3):
            c = at(x, y)
            if all(at(x + dx, y + dy) == c for dx in range(-2, 3) for dy in range(-2, 3)):
                points.append((x, y, c))
    step = max(1, len(points) // count)
    return points[::step][:count]


class Rz4Case(unittest.TestCase):
    desktop = None
    window = None

    @classmethod
    def start_desktop(cls):
        cls.desktop = Desktop()
        cls.desktop.start()

    @classmethod
    def tearDownClass(cls):
        if cls.window:
            cls.window.stop()
        if cls.desktop:
            cls.desktop.stop()

    def shot(self):
        return self.desktop.screenshot()

    def label2_has_text(self):
        region = self.window.region(self.window.layout().label2)
        return sum(1 for i in range(0, len(region), 3) if min(region[i:i + 3]) > 150) > 8

    def tree_row_has_text(self, row, shot=None):
        x, y, w, _ = self.window.layout().tree
        rect = (x + 20, y + row * 19 + 2, w - 30, 15)
        region = self.window.region(rect, shot)
        return sum(1 for i in range(0, len(region), 3) if min(region[i:i + 3]) > 170) > 5


class WithDemoServer(Rz4Case):
    """One program run against the demo server; the tests run in the order of their names."""

    @classmethod
    def setUpClass(cls):
        if port_in_use(ARGS.port):
            raise RuntimeError(f"port {ARGS.port} is already in use; stop what listens there")
        cls.start_desktop()
        cls.demo_run = os.path.join(cls.desktop.workdir, "demo")
        demo("start", "--build-dir", ARGS.build_dir, "--port", str(ARGS.port), "--run-dir",
             cls.demo_run)
        cls.window = Rz4Window(cls.desktop, ARGS.binary)
        cls.window.start()
        time.sleep(1.0)

    @classmethod
    def tearDownClass(cls):
        try:
            super().tearDownClass()
        finally:
            subprocess.run([os.path.join(ROOT, "demo", "server.sh"), "stop", "--run-dir",
                            cls.demo_run], check=False, capture_output=True)

    def play_first_channel(self):
        self.window.click_row(ROW_FIRST_CHANNEL)
        self.window.wait_playing()

    def test_01_window_appears_framed_by_its_skin_and_centred(self):
        d, w = self.desktop, self.window
        self.assertEqual(d.run(["xdotool", "getwindowname", str(w.wid)]).stdout.strip(), CAPTION)
        x, y, width, height, _ = w.geometry()
        self.assertEqual((width, height), (DESIGN_W, DESIGN_H))
        self.assertTrue(near(x, (SCREEN_W - DESIGN_W) // 2) and near(y, (SCREEN_H - DESIGN_H) // 2),
                        f"window at {x},{y} is not centred")
        self.assertEqual(d.frame_extents(w.wid), (0, 0, 0, 0), "the window has a frame")
        shot = self.shot()
        skin = os.path.join(ROOT, "resources", "skin")
        # Fixed pieces at the corners where the layout anchors them.
        for name, (left, top) in {"image1.png": (0, 0), "image5.png": (0, DESIGN_H - 50),
                                  "image13.png": (DESIGN_W - 204, DESIGN_H - 9)}.items():
            for px_, py_, colour in uniform_points(os.path.join(skin, name)):
                seen = shot.pixel(x + left + px_, y + top + py_)
                self.assertTrue(colour_close(seen, colour),
                                f"{name} pixel {px_},{py_}: {seen} on screen, {colour} in skin")

    def test_02_tree_holds_the_demo_list(self):
        shot = self.shot()
        for row in range(4):
            self.assertTrue(self.tree_row_has_text(row, shot), f"tree row {row} is empty")
        self.assertFalse(self.tree_row_has_text(6, shot), "more rows than the demo list has")
        x, y, tw, th = self.window.layout().tree
        self.assertTrue(colour_close(shot.pixel(*self.window.to_screen((int(x + tw - 20),
                                                                       int(y + th - 20)))),
                                     TREE_BG), "tree background is not the list colour")

    def test_03_clicking_a_channel_plays_it(self):
        w = self.window
        before = w.region(w.layout().label1)
        w.click_row(ROW_FIRST_GROUP)
        wait_until(lambda: self.tree_row_has_text(ROW_FIRST_CHANNEL), 10, what="the group to open")
        self.play_first_channel()
        self.assertGreater(difference(before, w.region(w.layout().label1)), 0.01,
                           "the now-playing line did not change")
        wait_until(lambda: not self.label2_has_text(), 10, what="the status line to blank")

    def test_04_dead_channel_shows_why(self):
        w = self.window
        w.click_row(ROW_SECOND_GROUP)
        wait_until(lambda: self.tree_row_has_text(ROW_DEAD_CHANNEL), 10, what="the group to open")
        w.click_row(ROW_DEAD_CHANNEL)
        wait_until(self.label2_has_text, 60, interval=0.5, what="an error in the status line")
        time.sleep(3)
        self.assertTrue(self.label2_has_text(), "the error text did not stay")
        self.play_first_channel()

    def test_05_stop_and_play(self):
        w = self.window
        w.click_player(1)
        time.sleep(1.5)
        self.assertFalse(w.video_is_moving(1.0), "video still moving after stop")
        w.click_player(0)
        w.wait_playing()

    def test_06_mute_twice_keeps_playing(self):
        w = self.window
        w.click_player(2)
        w.click_player(2)
        self.assertTrue(w.wait_playing())

    def video_windows_apart(self):
        """Viewable windows of ours, other than the main window, that show video."""
        d, w = self.desktop, self.window
        found = []
        for wid in d.windows_of(w.proc.pid):
            if wid == w.wid:
                continue
            try:
                gx, gy, gw, gh, state = d.geometry(wid)
            except DesktopError:
                continue
            inside = (w.geometry()[0] <= gx < w.geometry()[0] + DESIGN_W
                      and w.geometry()[1] <= gy < w.geometry()[1] + DESIGN_H)
            if state == "IsViewable" and gw > 48 and not inside:
                found.append((wid, gw, gh))
        return found

    def test_07_full_screen_and_back(self):
        d, w = self.desktop, self.window
        w.click_player(3)
        try:
            wait_until(lambda: any((gw, gh) == (SCREEN_W, SCREEN_H)
                                   for _, gw, gh in self.video_windows_apart()), 10,
                       what="a full-screen video window")
            a = self.shot().region(200, 200, 880, 400)
            time.sleep(0.8)
            self.assertGreater(difference(a, self.shot().region(200, 200, 880, 400)), 0.002,
                               "full-screen video is not moving")
            d.key("Escape")
            wait_until(lambda: not self.video_windows_apart(), 10,
                       what="the video to return into the window")
            self.assertEqual(w.geometry()[2:4], (DESIGN_W, DESIGN_H))
            w.wait_playing()
        finally:
            if self.video_windows_apart():
                d.key("Escape")

    def test_08_maximise_fills_the_work_area_and_restore_centres(self):
        d, w = self.desktop, self.window
        wx, wy, ww, wh = d.work_area()
        w.click_title(2)
        try:
            wait_until(lambda: w.geometry()[:4] == (wx, wy, ww, wh), 10,
                       what=f"the window to fill the work area {ww}x{wh}")
            w.wait_playing()
        finally:
            w.click_title(2)
        wait_until(lambda: w.geometry()[2:4] == (DESIGN_W, DESIGN_H), 10, what="restore")
        x, y = w.geometry()[:2]
        self.assertTrue(near(x, (SCREEN_W - DESIGN_W) // 2) and near(y, (SCREEN_H - DESIGN_H) // 2))

    def test_09_always_on_top_toggles_and_video_keeps_playing(self):
        d, w = self.desktop, self.window
        w.click_title(1)
        try:
            wait_until(lambda: "_NET_WM_STATE_ABOVE" in d.wm_state(w.wid), 10, what="on top")
            w.wait_playing()
        finally:
            w.click_title(1)
        wait_until(lambda: "_NET_WM_STATE_ABOVE" not in d.wm_state(w.wid), 10, what="not on top")
        w.wait_playing()

    def test_10_dragging_the_strip_moves_the_window(self):
        d, w = self.desktop, self.window
        x0, y0 = w.geometry()[:2]
        sx, sy = w.to_screen(centre(w.layout().strip))
        d.drag(sx, sy, sx - 120, sy + 80)
        wait_until(lambda: near(w.geometry()[0], x0 - 120, 3) and near(w.geometry()[1], y0 + 80, 3),
                   10, what="the window to follow the drag")
        self.assertEqual(w.geometry()[2:4], (DESIGN_W, DESIGN_H))

    def test_11_slider_ends_set_volume_0_and_100(self):
        w = self.window
        vx, vy, vw, vh = w.layout().volume
        knob = knob_rows()
        def knob_at(x):
            return near(find_knob(self.shot(), w.screen_rect(w.layout().volume), knob), x, 1)

        w.click_at((vx, vy, 2, vh))
        wait_until(lambda: knob_at(3), 10, what="a press at the left end to take the knob to 0")
        w.click_at((vx + vw - 2, vy, 2, vh))
        wait_until(lambda: knob_at(74), 10,
                   what="a press at the right end to take the knob to 100")

    def test_12_minimise_hides_and_the_tray_icon_brings_it_back(self):
        d, w = self.desktop, self.window
        before = w.geometry()[:4]
        icon = tray_icon(d, w)
        self.assertIsNotNone(icon, "no tray icon")
        w.click_title(0)
        wait_until(lambda: w.geometry()[4] != "IsViewable", 10, what="the window to hide")
        ix, iy, iw, ih, _ = d.geometry(icon)
        d.click(ix + iw // 2, iy + ih // 2)
        wait_until(lambda: w.geometry()[4] == "IsViewable", 10, what="the window to come back")
        self.assertEqual(w.geometry()[:4], before)

    def test_13_close_exits_and_removes_the_tray_icon(self):
        d, w = self.desktop, self.window
        icon = tray_icon(d, w)
        w.click_title(3)
        wait_until(lambda: w.proc.poll() is not None, 10, what="the program to exit")
        self.assertEqual(w.proc.returncode, 0)
        if icon is not None:
            self.assertNotEqual(d.run(["xwininfo", "-id", str(icon)], check=False).returncode, 0,
                                "the tray icon is still there")


class WithoutServer(Rz4Case):
    """A channel server that is down or misbehaves must not keep the window away for long, and the
    window must then say that the list failed, and keep saying it."""

    # Well above what the client's own bounds add up to, far below a wait without end.
    BOUND = 20

    @classmethod
    def setUpClass(cls):
        if port_in_use(ARGS.port):
            raise RuntimeError(f"port {ARGS.port} is already in use; stop what listens there")
        cls.start_desktop()

    def start_against(self, mode):
        """Starts the demo server broken in this way ("down": none at all) and then the program."""
        run = os.path.join(self.desktop.workdir, mode)
        if mode != "down":
            demo("start", "--mode", mode, "--build-dir", ARGS.build_dir, "--port",
                 str(ARGS.port), "--run-dir", run)
            self.addCleanup(subprocess.run, [os.path.join(ROOT, "demo", "server.sh"), "stop",
                                             "--run-dir", run], check=False, capture_output=True)
        self.window = Rz4Window(self.desktop, ARGS.binary, f"rz4tv-{mode}.log")
        self.addCleanup(self.window.stop)
        self.window.start(timeout=self.BOUND)
        return run

    def expect_the_list_failure_to_stay(self):
        time.sleep(1.0)
        shot = self.shot()
        self.assertFalse(self.tree_row_has_text(0, shot), "tree is not empty")
        self.assertTrue(self.label2_has_text(), "the status line says nothing")
        status = self.window.region(self.window.layout().label2)
        time.sleep(5)
        self.assertLess(difference(status, self.window.region(self.window.layout().label2)),
                        0.001, "the list failure was replaced in the status line")

    def test_server_down(self):
        self.start_against("down")
        self.expect_the_list_failure_to_stay()

    def test_server_hangs(self):
        self.start_against("hang")
        self.expect_the_list_failure_to_stay()

    def test_server_trickles(self):
        self.start_against("trickle")
        self.expect_the_list_failure_to_stay()

    def test_server_errors_ask_for_the_logo_once(self):
        run = self.start_against("error")
        self.expect_the_list_failure_to_stay()
        with open(os.path.join(run, "logs", "server.log"), encoding="utf-8") as log:
            self.assertEqual(log.read().count("Ostrel.jpg"), 1)


def knob_rows():
    """The middle row of the slider skin's first three knob frames."""
    w, h, data = png_pixels(os.path.join(ROOT, "resources", "skin", "bitmap101.png"))
    y = h // 2
    frames = []
    for f in range(3):
        row = []
        for x in range(12 + 12 * f, 24 + 12 * f):
            i = (y * w + x) * 3
            row.append(tuple(data[i:i + 3]))
        frames.append(row)
    return frames, y


def find_knob(shot, rect, knob):
    """Left pixel of the knob inside the slider, found by its middle row; -1 when absent."""
    frames, y = knob
    x0, y0, w, _ = rect
    best, best_x = None, -1
    for x in range(0, w - 11):
        for row in frames:
            score = 0
            for i, colour in enumerate(row):
                if colour == (255, 0, 255):
                    continue
                seen = shot.pixel(x0 + x + i, y0 + y)
                score += sum(abs(a - b) for a, b in zip(seen, colour))
            if best is None or score < best:
                best, best_x = score, x
    return best_x


def tray_icon(d, w):
    """The tray icon's window: a small viewable window of ours inside the taskbar."""
    for wid in d.windows_of(w.proc.pid):
        if wid == w.wid:
            continue
        try:
            x, y, gw, gh, state = d.geometry(wid)
        except DesktopError:
            continue
        if state == "IsViewable" and gw <= 48 and gh <= 48 and y >= SCREEN_H - 40:
            return wid
    return None


def main():
    global ARGS
    ARGS = desktop_suite.arguments()
    for tool in ("Xvfb", "icewm", "xdotool", "xprop", "xwininfo", "import", "ffmpeg"):
        if subprocess.run(["which", tool], capture_output=True).returncode != 0:
            print(f"missing tool: {tool}")
            return 1
    return desktop_suite.run(ARGS, 900)


if __name__ == "__main__":
    sys.exit(main())
