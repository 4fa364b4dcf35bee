"""Runs a unittest suite that drives the real program on a virtual desktop, the way CTest calls
it: the program, its build folder and the channel server it was built for come as arguments, a
build for a server elsewhere skips (exit 77), and a watchdog inside CTest's limit lets the suite
stop what it started rather than be killed."""

import argparse
import contextlib
import os
import signal
import socket
import subprocess
import sys
import unittest

SKIPPED = 77
SERVER = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "demo",
                      "server.sh")


def arguments():
    """--binary, --build-dir and --server (host[:port]); adds local and port."""
    ap = argparse.ArgumentParser()
    ap.add_argument("--binary", required=True)
    ap.add_argument("--build-dir", required=True)
    ap.add_argument("--server", required=True)
    ap.add_argument("unittest_args", nargs="*")
    args = ap.parse_args()
    host, _, port = args.server.partition(":")
    args.local = host in ("127.0.0.1", "localhost")
    args.port = int(port or 80)
    return args


# No service folders: nothing on the bus but the program and what the suite puts there.
BUS_CONFIG = """<busconfig><type>session</type><listen>{address}</listen>
<policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/>
<allow own="*"/></policy></busconfig>"""


def session_bus(desktop):
    """Starts a session bus of the suite's own beside the desktop, stopped with it; its address."""
    address = "unix:path=" + os.path.join(desktop.workdir, "bus")
    config = os.path.join(desktop.workdir, "bus.conf")
    with open(config, "w") as f:
        f.write(BUS_CONFIG.format(address=address))
    desktop.spawn(["dbus-daemon", f"--config-file={config}", "--nofork"], "bus.log")
    return address


def run(args, seconds):
    """The suite's exit status: 0 passed, 1 failed, SKIPPED for a server elsewhere."""
    if not args.local:
        print(f"skipped: the program is built for another channel server ({args.server})")
        return SKIPPED

    def timeout(signum, frame):
        raise TimeoutError(f"the suite took more than {seconds} s")
    signal.signal(signal.SIGALRM, timeout)
    signal.signal(signal.SIGTERM, lambda s, f: sys.exit(143))
    signal.alarm(seconds)
    prog = unittest.main(argv=[sys.argv[0], "-v", *args.unittest_args], exit=False)
    return 0 if prog.result.wasSuccessful() else 1


@contextlib.contextmanager
def demo_server(args, run_dir):
    """The demo channel server on the build's port, its files in run_dir, while the block runs."""
    with socket.socket() as s:
        if s.connect_ex(("127.0.0.1", args.port)) == 0:
            raise RuntimeError(f"port {args.port} is already in use; stop what listens there")
    subprocess.run([SERVER, "start", "--build-dir", args.build_dir, "--port", str(args.port),
                    "--run-dir", run_dir], check=True, capture_output=True)
    try:
        yield
    finally:
        subprocess.run([SERVER, "stop", "--run-dir", run_dir], check=False, capture_output=True)
