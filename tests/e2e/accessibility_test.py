#!/usr/bin/env python3
"""The real program as a screen reader sees it: the desktop's accessibility bus (AT-SPI, what Orca
reads) on a session bus of the suite's own, read and driven through pyatspi alone; then the same
controls with the keyboard alone (xdotool), the way a viewer without a mouse reaches them."""

import os
import re
import subprocess
import sys
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
import desktop_suite  # noqa: E402
from desktop import difference, wait_until  # noqa: E402
from e2e_test import Rz4Case, find_knob, knob_rows  # noqa: E402
from media_controls_test import PATH, PLAYER, ROOT_IFACE  # noqa: E402
from rz4window import CAPTION, Rz4Window  # noqa: E402

ARGS = None
pyatspi = None  # imported once the suite's bus exists: it reads the bus address at import
# Debian's accessibility bindings live with the system's Python.
SYSTEM_PYTHON = "/usr/bin/python3"

PLAYER_BUTTONS = ["播放", "停止", "静音", "全屏"]
TITLE_BUTTONS = ["最小化", "窗口置顶", "最大化", "关闭"]


def walk(node, depth=0):
    yield node
    if depth < 4:
        for i in range(node.childCount):
            child = node.getChildAtIndex(i)
            if child is not None:
                yield from walk(child, depth + 1)


class Accessibility(Rz4Case):
    """One program run; the tests run in the order of their names."""

    @classmethod
    def setUpClass(cls):
        global pyatspi
        cls.start_desktop()
        d = cls.desktop
        cls.enterClassContext(desktop_suite.demo_server(ARGS, os.path.join(d.workdir, "demo")))
        address = desktop_suite.session_bus(d)
        cls.env = d.env(DBUS_SESSION_BUS_ADDRESS=address, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        wait_until(lambda: os.path.exists(address[len("unix:path="):]), 10, what="the bus")
        d.spawn(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], "atspi.log",
                env=cls.env)
        os.environ.update(DBUS_SESSION_BUS_ADDRESS=address, DISPLAY=f":{d.display}")
        import pyatspi as atspi
        pyatspi = atspi
        cls.window = Rz4Window(d, ARGS.binary, env=cls.env)
        cls.window.start()
        cls.app = wait_until(cls.find_app, 20, interval=0.3, what="the program on the bus")
        cls.events = []
        for kind in ("object:property-change:accessible-name", "object:value-changed",
                     "object:property-change:accessible-value"):
            pyatspi.Registry.registerEventListener(cls.heard, kind)
        time.sleep(1.0)

    @classmethod
    def heard(cls, event):
        # The name the source had when it spoke: by the time a test looks it may have moved on.
        cls.events.append((event.type, event.source.name))

    @classmethod
    def find_app(cls):
        desk = pyatspi.Registry.getDesktop(0)
        for i in range(desk.childCount):
            app = desk.getChildAtIndex(i)
            if app is not None and app.get_process_id() == cls.window.proc.pid:
                return app
        return None

    # -- reading the bus --------------------------------------------------------------------
    def pump(self, seconds=0.3):
        """Lets the bindings take in what the program announced."""
        from gi.repository import GLib
        deadline = time.monotonic() + seconds
        context = GLib.MainContext.default()
        while time.monotonic() < deadline:
            while context.iteration(False):
                pass
            time.sleep(0.02)

    def frame(self):
        return self.app.getChildAtIndex(0)

    def find(self, role, name=None):
        self.pump()
        for node in walk(self.frame()):
            node.clear_cache()
            if node.getRole() == role and (name is None or node.name == name):
                return node
        return None

    def all(self, role):
        return [n for n in walk(self.frame()) if n.getRole() == role]

    def press(self, node, action="Press"):
        actions = node.queryAction()
        names = [actions.getName(i) for i in range(actions.nActions)]
        actions.doAction(names.index(action))
        self.pump()

    def announced(self, kind, name=None):
        """Names of the sources of the events of a kind heard so far, those of `name` alone when
        one is given."""
        self.pump()
        return [n for k, n in self.events if k == kind and (name is None or n == name)]

    def tree_items(self):
        tree = self.find(pyatspi.ROLE_TREE)
        return [tree.getChildAtIndex(i) for i in range(tree.childCount)
                if tree.getChildAtIndex(i).getRole() != pyatspi.ROLE_TABLE_COLUMN_HEADER]

    def tree_names(self):
        return [i.name for i in self.tree_items()]

    def item(self, name):
        return wait_until(lambda: next((i for i in self.tree_items() if i.name == name), None),
                          10, what=f"the tree item {name}")

    def focused(self):
        self.pump()
        for node in walk(self.frame()):
            node.clear_cache()
            if node.getState().contains(pyatspi.STATE_FOCUSED) and node.getRole() in (
                    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_SLIDER, pyatspi.ROLE_TREE):
                return node.name
        return None

    def tab(self, times=1, back=False):
        """Tab (Shift+Tab) pressed; the name of what has the focus then."""
        for _ in range(times):
            self.desktop.key("shift+Tab" if back else "Tab")
            time.sleep(0.3)
        return self.focused()

    # -- the desktop's media controls, to see what the player does ---------------------------
    def gdbus(self, dest, path, method, *args):
        return subprocess.run(["gdbus", "call", "--session", "--dest", dest, "--object-path",
                               path, "--method", method, *args], env=self.env,
                              capture_output=True, text=True, timeout=20).stdout.strip()

    def mpris_name(self):
        names = self.gdbus("org.freedesktop.DBus", "/org/freedesktop/DBus",
                           "org.freedesktop.DBus.ListNames")
        return re.search(r"'(org\.mpris\.MediaPlayer2\.[^']+)'", names).group(1)

    def mpris(self, name, iface=PLAYER):
        out = self.gdbus(self.mpris_name(), PATH, "org.freedesktop.DBus.Properties.Get", iface,
                         name)
        return re.fullmatch(r"\(<(.*)>,\)", out, re.S).group(1)

    def wait_mpris(self, name, value, iface=PLAYER):
        def seen():
            got = self.mpris(name, iface)
            return got == value or (name == "Volume" and abs(float(got) - float(value)) < 1e-6)
        wait_until(seen, 30, interval=0.3, what=f"{name} to be {value}")

    # -- the tests --------------------------------------------------------------------------
    def test_01_the_window_is_one_frame_named_by_its_caption(self):
        self.assertEqual(self.app.childCount, 1, "a stray top-level object beside the window")
        self.assertEqual((self.frame().getRole(), self.frame().name),
                         (pyatspi.ROLE_FRAME, CAPTION))
        # With its scene window out of the screen reader's sight the web pane still draws its page.
        w = self.window

        def page_drawn():
            page = w.region(w.layout().browser)
            return len({page[i:i + 3] for i in range(0, len(page), 3)}) > 10
        wait_until(page_drawn, 20, interval=0.5, what="the web pane's page")

    def test_02_the_image_buttons_are_push_buttons_named_by_their_tooltips(self):
        buttons = [b for b in self.all(pyatspi.ROLE_PUSH_BUTTON)]
        self.assertEqual(sorted(b.name for b in buttons), sorted(PLAYER_BUTTONS + TITLE_BUTTONS))
        for b in buttons:
            self.assertIn("Press", [b.queryAction().getName(i)
                                    for i in range(b.queryAction().nActions)])
        labels = [label.name for label in self.all(pyatspi.ROLE_LABEL)]
        self.assertIn(CAPTION, labels)
        self.assertIn("    祝您生活美满，天天开心！！", labels)

    def test_03_the_slider_has_a_name_and_a_value_that_can_be_set(self):
        w = self.window
        slider = self.find(pyatspi.ROLE_SLIDER)
        self.assertEqual(slider.name, "音量")
        value = slider.queryValue()
        self.assertEqual((value.currentValue, value.minimumValue, value.maximumValue,
                          value.minimumIncrement), (50, 0, 100, 1))
        knob = knob_rows()
        for wanted, shown, x in ((0, "0.0", 3), (100, "1.0", 74), (250, "1.0", 74)):
            value.currentValue = wanted
            self.wait_mpris("Volume", shown)
            wait_until(lambda: abs(find_knob(self.shot(), w.screen_rect(w.layout().volume), knob)
                                   - x) <= 1, 5, what=f"the knob at {wanted}")
        self.assertEqual(value.currentValue, 100, "set beyond the top, the value stays within")
        value.currentValue = 30
        self.wait_mpris("Volume", "0.3")
        self.assertTrue(self.announced("object:property-change:accessible-value") +
                        self.announced("object:value-changed"), "no value change announced")

    def test_04_activating_a_channel_item_plays_it_as_a_click_does(self):
        w = self.window
        group = self.item("综合频道")
        if "测试一台" not in self.tree_names():
            self.press(group)  # a group opens as a click opens it
        channel = self.item("测试一台")
        self.press(channel, "Toggle")
        selected = [i.name for i in self.tree_items()
                    if i.getState().contains(pyatspi.STATE_SELECTED)]
        self.assertEqual(selected, ["测试一台"], "toggle selected another row")
        self.press(channel)
        w.wait_playing()
        self.wait_mpris("PlaybackStatus", "'Playing'")
        self.assertIn("您正在收看的是：测试一台", [label.name for label in
                                                   self.all(pyatspi.ROLE_LABEL)])
        self.assertTrue(self.announced("object:property-change:accessible-name",
                                       "您正在收看的是：测试一台"), "Label1's change unheard")

    def test_05_pressing_each_button_does_what_a_click_does(self):
        w, d = self.window, self.desktop
        self.press(self.find(pyatspi.ROLE_PUSH_BUTTON, "停止"))
        self.wait_mpris("PlaybackStatus", "'Stopped'")
        wait_until(lambda: self.announced("object:property-change:accessible-name", "已停止"),
                   10, what="the status line's change to be announced")
        self.press(self.find(pyatspi.ROLE_PUSH_BUTTON, "播放"))
        w.wait_playing()
        self.press(self.find(pyatspi.ROLE_PUSH_BUTTON, "静音"))
        self.press(self.find(pyatspi.ROLE_PUSH_BUTTON, "静音"))
        self.press(self.find(pyatspi.ROLE_PUSH_BUTTON, "全屏"))
        self.wait_mpris("Fullscreen", "true", ROOT_IFACE)
        d.key("Escape")
        self.wait_mpris("Fullscreen", "false", ROOT_IFACE)

        self.press(self.find(pyatspi.ROLE_PUSH_BUTTON, "窗口置顶"))
        wait_until(lambda: "ABOVE" in d.wm_state(w.wid), 10, what="the window on top")
        self.assertIsNotNone(self.find(pyatspi.ROLE_PUSH_BUTTON, "取消置顶"))
        self.press(self.find(pyatspi.ROLE_PUSH_BUTTON, "取消置顶"))
        wait_until(lambda: "ABOVE" not in d.wm_state(w.wid), 10, what="the window not on top")
        before = w.geometry()[2:4]
        self.press(self.find(pyatspi.ROLE_PUSH_BUTTON, "最大化"))
        wait_until(lambda: w.geometry()[2] == d.width, 10, what="the window maximised")
        self.press(self.find(pyatspi.ROLE_PUSH_BUTTON, "还原"))
        wait_until(lambda: w.geometry()[2:4] == before, 10, what="the window restored")
        self.assertTrue(self.announced("object:property-change:accessible-name", "还原"))

    def test_06_tab_reaches_every_control_in_order_and_keys_work_them(self):
        w, d = self.window, self.desktop
        w.click_at(w.layout().video)  # the window has the keys, nothing in it the focus
        time.sleep(0.6)
        order = []
        shots = {}
        for _ in range(10):
            name = self.tab()
            order.append(name)
            if name in PLAYER_BUTTONS:
                shots[name] = w.region(w.layout().player[PLAYER_BUTTONS.index(name)])
        self.assertEqual(order, ["频道列表", "音量"] + PLAYER_BUTTONS + TITLE_BUTTONS)
        self.assertGreater(difference(shots["播放"], w.region(w.layout().player[0])), 0.02,
                           "no focus mark on the focused button")

        # Back along the title buttons to the player's.
        self.assertEqual(self.tab(6, back=True), "停止")
        d.key("space")
        self.wait_mpris("PlaybackStatus", "'Stopped'")
        self.assertEqual(self.tab(back=True), "播放")
        d.key("Return")
        w.wait_playing()
        self.assertEqual(self.tab(back=True), "音量")
        d.key("Right")
        self.wait_mpris("Volume", "0.35")
        d.key("Left")
        d.key("Left")
        self.wait_mpris("Volume", "0.25")
        d.key("Up")  # on the slider Up is louder, not the previous channel
        self.wait_mpris("Volume", "0.3")

        w.click_at(w.layout().video)  # away from the controls, the window's keys are as ever
        time.sleep(0.6)
        d.key("space")
        self.wait_mpris("PlaybackStatus", "'Paused'")
        d.key("space")
        self.wait_mpris("PlaybackStatus", "'Playing'")

    def test_07_minimise_and_close_by_their_press_action(self):
        w = self.window
        self.press(self.find(pyatspi.ROLE_PUSH_BUTTON, "最小化"))
        wait_until(lambda: w.geometry()[4] != "IsViewable", 10, what="the window hidden")
        self.gdbus(self.mpris_name(), PATH, ROOT_IFACE + ".Raise")
        wait_until(lambda: w.geometry()[4] == "IsViewable", 10, what="the window back")
        self.press(self.find(pyatspi.ROLE_PUSH_BUTTON, "关闭"))
        wait_until(lambda: w.proc.poll() is not None, 10, what="the program to exit")
        self.assertEqual(w.proc.returncode, 0)


def main():
    global ARGS
    try:
        import gi  # noqa: F401
        gi.require_version("Atspi", "2.0")
    except (ImportError, ValueError):
        if os.path.exists(SYSTEM_PYTHON) and os.path.realpath(sys.executable) != \
                os.path.realpath(SYSTEM_PYTHON):
            os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON, *sys.argv])
        print("skipped: no AT-SPI bindings (python3-pyatspi)")
        return desktop_suite.SKIPPED
    ARGS = desktop_suite.arguments()
    return desktop_suite.run(ARGS, 540)


if __name__ == "__main__":
    sys.exit(main())
