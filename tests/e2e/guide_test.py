#!/usr/bin/env python3
"""The programme guide in the real program: the demo server's guide in the channel tree's
tooltips, and a guide that is broken or missing changing nothing but one line on stderr."""

import os
import sys
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
import desktop_suite  # noqa: E402
from desktop import wait_until  # noqa: E402
from e2e_test import (ROW_DEAD_CHANNEL, ROW_FIRST_CHANNEL, ROW_FIRST_GROUP,  # noqa: E402
                      ROW_SECOND_GROUP, Rz4Case)
from rz4window import ROW_H, Rz4Window  # noqa: E402

ARGS = None
ROW_LIFE_CHANNEL = ROW_DEAD_CHANNEL - 1


class Guide(Rz4Case):
    """Each test runs the program once against the demo server, its guide as the test leaves it."""

    @classmethod
    def setUpClass(cls):
        cls.start_desktop()
        run = os.path.join(cls.desktop.workdir, "demo")
        cls.enterClassContext(desktop_suite.demo_server(ARGS, run))
        cls.guide = os.path.join(run, "www", "zhibo", "RZ4", "soft", "epg.xml.gz")

    def start(self, log):
        w = Rz4Window(self.desktop, ARGS.binary, log)
        self.addCleanup(w.stop)
        w.start()
        type(self).window = w
        time.sleep(1.0)
        return w

    def tooltip(self, w, row, seconds=4):
        """Height of the tooltip shown when the pointer rests on a tree row; None without one."""
        d = self.desktop
        d.xdotool("mousemove", "--sync", *w.to_screen((w.layout().tree[0] + 40, 2)))
        time.sleep(0.5)
        x, y, _, _ = w.layout().tree
        d.xdotool("mousemove", "--sync", *w.to_screen((x + 50, int(y + ROW_H * row + ROW_H / 2))))

        def shown():
            for wid in d.windows_of(w.proc.pid):
                kind = d.run(["xprop", "-id", str(wid), "_NET_WM_WINDOW_TYPE"], check=False).stdout
                if "TOOLTIP" in kind and d.geometry(wid)[4] == "IsViewable":
                    return d.geometry(wid)[3]
            return None
        try:
            return wait_until(shown, seconds, interval=0.2, what="a tooltip")
        except Exception:  # noqa: BLE001 - no tooltip is an answer here
            return None

    def guide_lines(self, w):
        return [line for line in w.log().splitlines() if "programme guide" in line]

    def test_1_the_demo_guide_says_now_and_next_in_the_tree(self):
        w = self.start("rz4tv-guide.log")
        for row in (ROW_FIRST_GROUP, ROW_SECOND_GROUP):
            w.click_row(row)
            time.sleep(0.8)
        # Now and next on the live channel: two lines; the channel that never plays has no guide,
        # and its tooltip says so in one.
        two = wait_until(lambda: self.tooltip(w, ROW_LIFE_CHANNEL), 20, what="a guide tooltip")
        one = self.tooltip(w, ROW_DEAD_CHANNEL)
        self.assertIsNotNone(one, "no tooltip on the channel the guide lacks")
        self.assertGreater(two, one * 1.5, "now and next are not two lines")
        self.assertEqual(self.guide_lines(w), [])

    def test_2_a_broken_guide_changes_nothing_else(self):
        with open(self.guide, "wb") as f:
            f.write(b"\x1f\x8b" + os.urandom(4096))
        self.no_guide_and_all_else_as_ever("rz4tv-broken-guide.log", "not valid gzip data")

    def test_3_a_missing_guide_changes_nothing_else(self):
        os.remove(self.guide)
        self.no_guide_and_all_else_as_ever("rz4tv-no-guide.log", "no programme guide")

    def no_guide_and_all_else_as_ever(self, log, why):
        w = self.start(log)
        w.click_row(ROW_FIRST_GROUP)
        time.sleep(0.8)
        w.click_row(ROW_FIRST_CHANNEL)
        w.wait_playing()
        wait_until(lambda: self.guide_lines(w), 15, what="the line about the guide")
        lines = self.guide_lines(w)
        self.assertEqual(len(lines), 1, lines)
        self.assertIn(why, lines[0])
        self.assertIsNone(self.tooltip(w, ROW_FIRST_CHANNEL), "a tooltip without a guide")


if __name__ == "__main__":
    ARGS = desktop_suite.arguments()
    sys.exit(desktop_suite.run(ARGS, 400))
