"""Drives the real rz4tv window on a virtual desktop: finds it, knows where its controls are at the
design size, clicks tree rows and hot areas, and tells whether the video is moving."""

import argparse
import functools
import json
import os
import subprocess
import time

from desktop import DesktopError, difference, mean_brightness, wait_until

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def _build_dir():
    """The build folder the suite was given (--build-dir), the repository's build/ otherwise."""
    ap = argparse.ArgumentParser(add_help=False)
    ap.add_argument("--build-dir", default=os.path.join(ROOT, "build"))
    return ap.parse_known_args()[0].build_dir


@functools.lru_cache(maxsize=None)
def _facts(w=None, h=None):
    """What the program's own layout code says for a client area of w x h pixels."""
    tool = os.path.join(_build_dir(), "mainwindow", "rz4-layout-facts")
    size = [] if w is None else [str(w), str(h)]
    return json.loads(subprocess.run([tool, *size], check=True, capture_output=True,
                                     text=True).stdout)


def __getattr__(name):
    """CAPTION, DESIGN_W, DESIGN_H and ROW_H, read from the layout code on first use."""
    facts = _facts()
    design = facts["design"]
    values = {"CAPTION": facts["caption"], "ROW_H": facts["rowHeight"],
              "DESIGN_W": round(design[2] / facts["twipsPerPixel"]),
              "DESIGN_H": round(design[3] / facts["twipsPerPixel"])}
    if name not in values:
        raise AttributeError(name)
    return values[name]


class Layout:
    """Pixel rectangles of the controls for a client size W x H (pixels), from the layout code;
    in device pixels when a scale factor is given, W and H staying logical."""

    def __init__(self, w=None, h=None, scale=1.0):
        w = __getattr__("DESIGN_W") if w is None else w
        h = __getattr__("DESIGN_H") if h is None else h
        facts = _facts(w, h)
        per_px = facts["twipsPerPixel"]
        p = {name: tuple(v / per_px for v in rect) for name, rect in facts["pieces"].items()}
        self.video = p["WMP"]
        self.tree = p["TreeView1"]
        self.browser = p["WebBrowser1"]
        self.label1 = p["Label1"]
        # The status line grows with its text: the region its text may take.
        self.label2 = p["Label2"][:2] + (2400 / per_px, p["Label2"][3])
        self.title = {i: p[f"Image9_{i}"] for i in range(4)}
        self.player = {i: p[f"Image14_{i}"] for i in range(4)}
        self.strip = p["Image15"]
        self.volume = p["volume"]
        for name, value in vars(self).items():
            if isinstance(value, dict):
                setattr(self, name, {k: _scaled(r, scale) for k, r in value.items()})
            else:
                setattr(self, name, _scaled(value, scale))


def _scaled(rect, scale):
    return tuple(v * scale for v in rect)


def centre(rect):
    x, y, w, h = rect
    return int(x + w / 2), int(y + h / 2)


class Rz4Window:
    def __init__(self, desktop, binary, log_name="rz4tv.log", env=None, scale=1.0):
        """env: the program's whole environment (the desktop's by default); scale: the Qt scale
        factor it runs at, so that places are known in device pixels."""
        self.desktop = desktop
        self.binary = binary
        self.log_name = log_name
        self.env = env
        self.scale = scale
        self.proc = None
        self.wid = None

    def start(self, timeout=90):
        self.proc = self.desktop.spawn([self.binary], self.log_name, env=self.env)
        self.wid = wait_until(self._find_window, timeout, interval=0.3,
                              what="the rz4tv window to appear")
        wait_until(lambda: self.geometry()[4] == "IsViewable", 10, what="the window to be mapped")
        return self.wid

    def _find_window(self):
        if self.proc.poll() is not None:
            raise DesktopError(f"rz4tv exited with {self.proc.returncode} before its window "
                               f"appeared; log:\n{self.log()}")
        for wid in self.desktop.windows_of(self.proc.pid, "RZ4"):
            try:
                if self.desktop.geometry(wid)[4] == "IsViewable":
                    return wid
            except DesktopError:
                continue
        return None

    def log(self):
        try:
            with open(os.path.join(self.desktop.workdir, self.log_name), "rb") as f:
                return f.read().decode("utf-8", "replace")[-4000:]
        except OSError:
            return ""

    def stop(self):
        if self.proc is not None:
            self.desktop._stop_proc(self.proc)

    # -- geometry ---------------------------------------------------------------------------
    def geometry(self):
        return self.desktop.geometry(self.wid)

    def layout(self):
        x, y, w, h, _ = self.geometry()
        return Layout(round(w / self.scale), round(h / self.scale), self.scale)

    def to_screen(self, point):
        x, y, _, _, _ = self.geometry()
        return x + point[0], y + point[1]

    def screen_rect(self, rect):
        x, y, _, _, _ = self.geometry()
        return int(x + rect[0]), int(y + rect[1]), int(rect[2]), int(rect[3])

    # -- actions ----------------------------------------------------------------------------
    def click_point(self, point, double=False):
        """A click at a point of the window (pixels from its top-left corner)."""
        self.desktop.click(*self.to_screen(point), double=double)

    def click_at(self, rect, double=False):
        self.click_point(centre(rect), double=double)

    def click_row(self, row):
        tx, ty, tw, _ = self.layout().tree
        row_h = __getattr__("ROW_H") * self.scale
        self.click_point((int(tx + 60 * self.scale), int(ty + row_h * row + row_h / 2)))

    def play_first_demo_channel(self):
        """Opens the demo list's first group, plays its first channel and waits for the picture."""
        self.click_row(1)
        time.sleep(0.8)
        self.click_row(2)
        self.wait_playing()

    def click_title(self, index):
        self.click_at(self.layout().title[index])

    def click_player(self, index):
        self.click_at(self.layout().player[index])

    # -- observations -----------------------------------------------------------------------
    def region(self, rect, shot=None):
        shot = shot or self.desktop.screenshot()
        return shot.region(*self.screen_rect(rect))

    def video_is_moving(self, settle=0.6):
        rect = self.layout().video
        # Leave out the borders: scaling blurs them.
        x, y, w, h = rect
        inner = (x + 10, y + 10, w - 20, h - 20)
        a = self.region(inner)
        time.sleep(settle)
        b = self.region(inner)
        return mean_brightness(b) > 20 and difference(a, b) > 0.002

    def wait_playing(self, timeout=45):
        return wait_until(self.video_is_moving, timeout, interval=0.5,
                          what="the video to show a moving picture")
