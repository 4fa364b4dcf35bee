"""A virtual desktop for driving the real program: Xvfb, the icewm window manager (taskbar, tray,
work area), screenshots and mouse/keyboard through xdotool. Used by the headless demo and the
end-to-end tests. Every process it starts is stopped again by the pid it was given."""

import contextlib
import ctypes
import fcntl
import os
import signal
import subprocess
import tempfile
import time

SCREEN_W, SCREEN_H = 1280, 800


def _die_with_parent():
    # Even if whoever runs us is killed outright, what we started does not outlive it.
    PR_SET_PDEATHSIG = 1
    ctypes.CDLL("libc.so.6", use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


class DesktopError(RuntimeError):
    pass


def wait_until(predicate, timeout, interval=0.1, what="condition"):
    """Polls predicate until it returns something truthy; raises DesktopError after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise DesktopError(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)


def _display_taken(n):
    """A display is taken while the X server named in its lock file runs; the server itself
    clears a lock left by one that died."""
    try:
        with open(f"/tmp/.X{n}-lock") as f:
            pid = int(f.read().strip())
    except FileNotFoundError:
        return False
    except (OSError, ValueError):
        return True
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        pass
    return True


# Held while a display is chosen and its server comes up: two desktops starting at once would
# otherwise both take the first free number. The player's X11 test takes it too.
DISPLAY_START_LOCK = "/tmp/.rz4-display-start.lock"


@contextlib.contextmanager
def display_start_lock():
    with open(DISPLAY_START_LOCK, "a") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        yield


def _lock_owner(n):
    try:
        with open(f"/tmp/.X{n}-lock") as f:
            return int(f.read().strip())
    except (OSError, ValueError):
        return None


def free_display():
    # Below 10: mpv's x11 output uses shared memory only there.
    for n in range(1, 10):
        if not _display_taken(n):
            return n
    raise DesktopError("no free X display number below 10")


class Screenshot:
    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def region(self, x, y, w, h):
        rows = []
        for yy in range(max(0, y), min(self.height, y + h)):
            start = (yy * self.width + max(0, x)) * 3
            end = (yy * self.width + min(self.width, x + w)) * 3
            rows.append(self.data[start:end])
        return b"".join(rows)


def mean_brightness(pixels: bytes):
    return sum(pixels) / max(1, len(pixels))


def difference(a: bytes, b: bytes):
    """Share of bytes that differ noticeably between two equally sized regions."""
    if len(a) != len(b) or not a:
        return 1.0
    changed = sum(1 for x, y in zip(a, b) if abs(x - y) > 24)
    return changed / len(a)


class Desktop:
    """Xvfb + icewm on a free display below 10, or a display that is already there (":0") when
    one is given. Use as a context manager."""

    def __init__(self, workdir=None, display=None, size=(SCREEN_W, SCREEN_H)):
        self.display = display.lstrip(":") if display else None
        self.width, self.height = size
        self._attached = display is not None
        self.workdir = workdir or tempfile.mkdtemp(prefix="rz4-desktop-")
        self._procs = []

    # -- lifetime ---------------------------------------------------------------------------
    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()

    def env(self, **extra):
        env = dict(os.environ)
        env.update(
            DISPLAY=f":{self.display}",
            XDG_RUNTIME_DIR=self._runtime_dir(),
            HOME=os.path.join(self.workdir, "home"),
            LANG="zh_CN.UTF-8" if _has_locale("zh_CN.utf8") else env.get("LANG", "C.UTF-8"),
        )
        env.pop("WAYLAND_DISPLAY", None)
        env.update(extra)
        os.makedirs(env["HOME"], exist_ok=True)
        return env

    def _runtime_dir(self):
        path = os.path.join(self.workdir, "runtime")
        os.makedirs(path, mode=0o700, exist_ok=True)
        return path

    def spawn(self, argv, log_name, env=None):
        with open(os.path.join(self.workdir, log_name), "wb") as log:
            proc = subprocess.Popen(argv, stdout=log, stderr=subprocess.STDOUT,
                                    env=env or self.env(), stdin=subprocess.DEVNULL,
                                    start_new_session=True, preexec_fn=_die_with_parent)
        self._procs.append(proc)
        return proc

    def start(self):
        if self._attached:
            return
        with display_start_lock():
            for attempt in range(3):
                self.display = free_display()
                xvfb = self.spawn(["Xvfb", f":{self.display}", "-screen", "0",
                                   f"{self.width}x{self.height}x24", "-nolisten", "tcp",
                                   "-noreset"], "xvfb.log", env=dict(os.environ))
                try:
                    wait_until(lambda: xvfb.poll() is not None or self._x_answers(), 10,
                               what="Xvfb")
                except DesktopError:
                    pass
                # The server that answers is ours only if the display's lock names it: another
                # (a Wayland session's XWayland) may have taken the number first.
                if (xvfb.poll() is None and self._x_answers()
                        and _lock_owner(self.display) == xvfb.pid):
                    break
                self._stop_proc(xvfb)
            else:
                raise DesktopError("Xvfb did not start")
        prefs = os.path.join(self.workdir, "icewm")
        os.makedirs(prefs, exist_ok=True)
        with open(os.path.join(prefs, "preferences"), "w") as f:
            # A quiet, predictable desktop: taskbar at the bottom with its tray, no clock ticking
            # into screenshots, no focus tricks.
            f.write("ShowTaskBar=1\nTaskBarAtTop=0\nTaskBarShowClock=0\nTaskBarShowCPUStatus=0\n"
                    "TaskBarShowNetStatus=0\nTaskBarShowMailboxStatus=0\nTaskBarShowTray=1\n"
                    "TaskBarEnableSystemTray=1\nTaskBarShowWorkspaces=0\nFocusRequestFlashTime=0\n"
                    "ShowPopupsAbovePointer=0\nClickToFocus=1\nRaiseOnClickClient=1\n")
        self.spawn(["icewm"], "icewm.log", env=self.env(ICEWM_PRIVCFG=prefs))
        wait_until(self._wm_ready, 20, what="the window manager")

    def stop(self):
        for proc in reversed(self._procs):
            self._stop_proc(proc)
        self._procs.clear()

    @staticmethod
    def _stop_proc(proc):
        if proc.poll() is None:
            try:
                os.killpg(proc.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
            try:
                proc.wait(5)
            except subprocess.TimeoutExpired:
                try:
                    os.killpg(proc.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                proc.wait(5)

    def _x_answers(self):
        return self.run(["xdpyinfo"], check=False).returncode == 0

    def _wm_ready(self):
        out = self.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check=False).stdout
        return "window id" in out

    # -- X utilities ------------------------------------------------------------------------
    def run(self, argv, check=True, timeout=20):
        res = subprocess.run(argv, env=self.env(), capture_output=True, text=True, timeout=timeout)
        if check and res.returncode != 0:
            raise DesktopError(f"{argv[0]} failed: {res.stderr.strip()}")
        return res

    def xdotool(self, *args):
        return self.run(["xdotool", *[str(a) for a in args]]).stdout.strip()

    def screenshot(self, wid=None) -> Screenshot:
        """The whole screen, or one window alone (where the root window has no picture, as under
        XWayland)."""
        path = os.path.join(self.workdir, "shot.rgb")
        width, height = (self.width, self.height) if wid is None else self.geometry(wid)[2:4]
        self.run(["import", "-silent", "-window", "root" if wid is None else str(wid), "-depth",
                  "8", f"rgb:{path}"])
        with open(path, "rb") as f:
            data = f.read()
        return Screenshot(width, height, data)

    def save_png(self, path):
        self.run(["import", "-silent", "-window", "root", path])

    def windows_of(self, pid, name_part=None):
        out = self.run(["xdotool", "search", "--pid", str(pid)], check=False).stdout.split()
        found = []
        for wid in out:
            if name_part is not None:
                name = self.run(["xdotool", "getwindowname", wid], check=False).stdout
                if name_part not in name:
                    continue
            found.append(int(wid))
        return found

    def geometry(self, wid):
        """Absolute x, y, width, height and map state of a window."""
        out = self.run(["xwininfo", "-id", str(wid)]).stdout
        fields = {}
        for line in out.splitlines():
            if ":" in line:
                key, _, value = line.strip().partition(":")
                fields[key.strip()] = value.strip()
        return (int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"]),
                int(fields["Width"]), int(fields["Height"]), fields.get("Map State", ""))

    def wm_state(self, wid):
        return self.run(["xprop", "-id", str(wid), "_NET_WM_STATE"], check=False).stdout

    def frame_extents(self, wid):
        out = self.run(["xprop", "-id", str(wid), "_NET_FRAME_EXTENTS"], check=False).stdout
        if "=" not in out:
            return (0, 0, 0, 0)
        return tuple(int(v) for v in out.split("=", 1)[1].split(","))

    def work_area(self):
        out = self.run(["xprop", "-root", "_NET_WORKAREA"]).stdout
        return tuple(int(v) for v in out.split("=", 1)[1].split(",")[:4])

    def click(self, x, y, button=1, double=False):
        x, y = min(max(0, x), self.width - 1), min(max(0, y), self.height - 1)
        self.xdotool("mousemove", "--sync", x, y)
        time.sleep(0.05)
        if double:
            self.xdotool("click", "--repeat", 2, "--delay", 80, button)
        else:
            self.xdotool("click", button)

    def drag(self, x0, y0, x1, y1, steps=8):
        self.xdotool("mousemove", "--sync", x0, y0)
        self.xdotool("mousedown", 1)
        time.sleep(0.1)
        for i in range(1, steps + 1):
            self.xdotool("mousemove", "--sync", x0 + (x1 - x0) * i // steps,
                         y0 + (y1 - y0) * i // steps)
            time.sleep(0.05)
        self.xdotool("mouseup", 1)

    def key(self, name):
        self.xdotool("key", name)


def _has_locale(name):
    try:
        out = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout
    except OSError:
        return False
    return name.lower() in out.lower().split()
