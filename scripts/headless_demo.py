#!/usr/bin/env python3
"""Shows the program working where there is no display: runs it on a virtual desktop against the
demo channel server, plays the first demo channel and photographs the window."""

import argparse
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop, DesktopError  # noqa: E402
from rz4window import Rz4Window  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--build-dir", default="build")
    ap.add_argument("--out", default="rz4tv-demo.png")
    args = ap.parse_args()
    binary = os.path.join(args.build_dir, "mainwindow", "rz4tv")
    server = os.path.join(ROOT, "demo", "server.sh")

    with Desktop() as desktop:
        demo_run = os.path.join(desktop.workdir, "demo")
        if subprocess.run([server, "start", "--build-dir", args.build_dir, "--run-dir",
                           demo_run]).returncode != 0:
            print("rz4tv demo failed: the demo channel server did not start", file=sys.stderr)
            return 1
        window = Rz4Window(desktop, binary)
        try:
            print("rz4tv: starting on a virtual display")
            window.start()
            window.click_row(1)  # opens the first group
            time.sleep(0.8)
            window.click_row(2)  # its first channel
            window.wait_playing()
            time.sleep(1.5)
            x, y, w, h, _ = window.geometry()
            desktop.run(["import", "-silent", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}",
                         "+repage", args.out])
            print(f"rz4tv: the first demo channel is playing; picture saved to {args.out}")
        except DesktopError as e:
            print(f"rz4tv demo failed: {e}\n{window.log()}", file=sys.stderr)
            return 1
        finally:
            window.stop()
            subprocess.run([server, "stop", "--run-dir", demo_run], check=False)
    return 0


if __name__ == "__main__":
    sys.exit(main())
