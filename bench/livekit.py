"""What the benchmarks that play live channels share: local live HLS channels made by ffmpeg, the
mpv command line driven over its IPC socket, the same spread of dwell times for every player, and
the memory of a process together with the processes it started."""

import json
import os
import socket
import subprocess
import sys
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(REPO, "scripts"))
from desktop import wait_until  # noqa: E402,F401

LIVE_CHANNEL = os.path.join(REPO, "demo", "live_channel.sh")
DEMO_PORT_FILE = os.path.join(REPO, "demo", "port")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def start_channel(desktop, root, name):
    os.makedirs(os.path.join(root, name))
    return desktop.spawn([LIVE_CHANNEL, os.path.join(root, name)], f"ffmpeg-{name}.log",
                         env=dict(os.environ))


def segments(root, name):
    try:
        with open(os.path.join(root, name, "index.m3u8")) as f:
            return f.read().count("#EXTINF")
    except OSError:
        return 0


def ensure_built(build, *targets):
    """Configures the build folder (made when missing) and builds the targets."""
    subprocess.run(["cmake", "-S", REPO, "-B", build], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build, "-j", str(os.cpu_count() or 2), "--target",
                    *targets], check=True, stdout=subprocess.DEVNULL)


def demo_port(build):
    """The port of the channel server the build was configured for."""
    with open(os.path.join(build, "CMakeCache.txt")) as f:
        for line in f:
            if line.startswith("RZ4_CHANNEL_SERVER:"):
                return line.strip().rsplit(":", 1)[1]
    with open(DEMO_PORT_FILE) as f:
        return f.read().strip()


def dwell(base_ms, i):
    # Switches fall on every moment of the channels' two-second segments, not always the same one.
    time.sleep((base_ms + (i * 373) % 1000) / 1000)


class MpvIpc:
    """The mpv command line, idle, taking commands on its IPC socket."""

    def __init__(self, desktop, workdir, options=()):
        path = os.path.join(workdir, f"mpv-{time.monotonic_ns()}.sock")
        self.proc = desktop.spawn(["mpv", "--idle=yes", f"--input-ipc-server={path}", *options],
                                  "mpv.log")
        self.sock = socket.socket(socket.AF_UNIX)
        wait_until(lambda: self.sock.connect_ex(path) == 0, 10, what="mpv's IPC socket")
        self.buf = b""

    def send(self, *command):
        self.sock.sendall(json.dumps({"command": list(command)}).encode() + b"\n")

    def wait_event(self, name, timeout):
        deadline = time.monotonic() + timeout
        while True:
            while b"\n" in self.buf:
                line, self.buf = self.buf.split(b"\n", 1)
                if json.loads(line).get("event") == name:
                    return
            self.sock.settimeout(max(0.01, deadline - time.monotonic()))
            chunk = self.sock.recv(65536)
            if not chunk:
                raise RuntimeError("mpv went away")
            self.buf += chunk

    def load(self, url, timeout=20):
        """Plays url instead of what plays; returns the milliseconds to its first picture."""
        start = time.perf_counter()
        self.send("loadfile", url, "replace")
        self.wait_event("playback-restart", timeout)
        return (time.perf_counter() - start) * 1000

    def close(self):
        self.sock.close()
        self.proc.kill()
        self.proc.wait()


def _children():
    kids = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as f:
                    ppid = int(f.read().rsplit(")", 1)[1].split()[1])
            except (OSError, IndexError, ValueError):
                continue
            kids.setdefault(ppid, []).append(int(entry))
    return kids


def pss_kib(pid):
    """Proportional set size of a process and all it started, in KiB."""
    kids, total, todo = _children(), 0, [pid]
    while todo:
        p = todo.pop()
        todo.extend(kids.get(p, []))
        try:
            with open(f"/proc/{p}/smaps_rollup") as f:
                total += next(int(line.split()[1]) for line in f if line.startswith("Pss:"))
        except (OSError, StopIteration):
            pass
    return total


def cpu_times(pid):
    """CPU time used so far by each thread of a process and of all it started, in seconds."""
    kids, times, todo = _children(), {}, [pid]
    while todo:
        p = todo.pop()
        todo.extend(kids.get(p, []))
        try:
            tasks = os.listdir(f"/proc/{p}/task")
        except OSError:
            continue
        for task in tasks:
            try:
                with open(f"/proc/{p}/task/{task}/schedstat") as f:
                    times[(p, task)] = int(f.read().split()[0]) / 1e9
            except (OSError, IndexError, ValueError):
                pass
    return times
