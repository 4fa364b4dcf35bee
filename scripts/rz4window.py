"""Drives the real rz4tv window on a virtual desktop: finds it, knows where its controls are at the
design size, clicks tree rows and hot areas, and tells whether the video is moving."""

import os
import time

from desktop import DesktopError, difference, mean_brightness, wait_until

CAPTION = "RZ4网络电视！Ver:09011230"
DESIGN_W, DESIGN_H = 623, 450
ROW_H = 19


def px(twips):
    return twips / 15.0


class Layout:
    """Pixel rectangles of the controls for a client size W x H (pixels), from the layout rule;
    in device pixels when a scale factor is given, W and H staying logical."""

    def __init__(self, w=DESIGN_W, h=DESIGN_H, scale=1.0):
        W, H = w * 15, h * 15
        self.video = (px(120), px(915), px(W - 3260), px(H - 1845))
        self.tree = (px(W - 3050), px(3188), px(2930), px(H - 3323))
        self.browser = (px(W - 3050), px(360), px(2930), px(2318))
        self.label1 = (px(240), px(480), px(3855), px(240))
        self.label2 = (px(220), px(H - 930), px(2400), px(180))
        self.title = {0: (px(W - 1860), 0, px(375), px(255)),
                      1: (px(W - 1485), 0, px(375), px(255)),
                      2: (px(W - 1110), 0, px(375), px(255)),
                      3: (px(W - 735), 0, px(735), px(255))}
        self.player = {0: (px(80), px(H - 525), px(375), px(405)),
                       1: (px(575), px(H - 525), px(375), px(405)),
                       2: (px(1070), px(H - 525), px(375), px(405)),
                       3: (px(W - 4210), px(H - 525), px(375), px(405))}
        self.strip = (px(360), 0, px(W - 2220 - 360), px(375))
        self.volume = (px(1675), px(H - 405), px(1335), px(200))
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
        row_h = ROW_H * self.scale
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
