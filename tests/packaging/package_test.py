#!/usr/bin/env python3
"""The Debian package as a viewer gets it: cpack makes rz4tv_<version>_<arch>.deb from the build,
lintian finds neither error nor warning in it, apt can resolve what it depends on, its desktop
entry and AppStream metadata validate, every file they name is in it, and the rz4tv it holds,
unpacked into a folder of its own, plays a demo channel on a virtual desktop, so that a file
missing from the package shows."""

import configparser
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
import desktop_suite  # noqa: E402
from desktop import Desktop  # noqa: E402
from rz4window import Rz4Window  # noqa: E402

ARGS = None
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def project_version(build_dir):
    """The version the build was configured with, from the project's one statement of it."""
    with open(os.path.join(build_dir, "CMakeCache.txt")) as f:
        for line in f:
            if line.startswith("CMAKE_PROJECT_VERSION:"):
                return line.strip().split("=", 1)[1]
    raise RuntimeError("no project version in the build's cache")


def run(*argv, **kw):
    return subprocess.run(argv, capture_output=True, text=True, **kw)


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="rz4-package-")
        made = run("cpack", "-G", "DEB", "-B", cls.tmp, cwd=ARGS.build_dir)
        if made.returncode != 0:
            shutil.rmtree(cls.tmp)
            raise RuntimeError(f"cpack failed:\n{made.stdout}{made.stderr}")
        arch = run("dpkg", "--print-architecture").stdout.strip()
        cls.deb = os.path.join(cls.tmp, f"rz4tv_{project_version(ARGS.build_dir)}_{arch}.deb")
        cls.root = os.path.join(cls.tmp, "root")
        subprocess.run(["dpkg-deb", "-x", cls.deb, cls.root], check=True)
        cls.usr = os.path.join(cls.root, "usr")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def entry(self):
        entries = glob.glob(os.path.join(self.usr, "share", "applications", "*.desktop"))
        self.assertEqual(len(entries), 1, entries)
        parser = configparser.ConfigParser(interpolation=None, strict=False)
        parser.optionxform = str
        parser.read(entries[0], encoding="utf-8")
        return entries[0], parser["Desktop Entry"]

    def test_1_lintian_finds_no_error_or_warning(self):
        out = run("lintian", "--allow-root", "--fail-on", "error,warning", self.deb)
        self.assertEqual(out.returncode, 0, out.stdout + out.stderr)

    def test_2_depends_on_what_it_loads_and_apt_resolves_it(self):
        depends = run("dpkg-deb", "-f", self.deb, "Depends").stdout
        # From the linked libraries, and what is loaded at run time only.
        for package in ("libmpv2", "libqt6webenginewidgets6", "libqt6webenginecore6-bin",
                        "libqt6webengine6-data", "fonts-arphic-uming", "fonts-arphic-ukai"):
            self.assertIn(package, depends)
        resolved = run("apt-get", "install", "--simulate", self.deb)
        self.assertEqual(resolved.returncode, 0, resolved.stdout + resolved.stderr)

    def test_3_desktop_entry_and_metadata_validate_and_name_what_is_there(self):
        path, entry = self.entry()
        checked = run("desktop-file-validate", path)
        self.assertEqual((checked.returncode, checked.stdout), (0, ""), checked.stderr)
        checked = run("appstreamcli", "validate-tree", "--no-net", self.root)
        self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
        app_id = os.path.basename(path)[:-len(".desktop")]
        self.assertEqual(entry["Icon"], app_id)
        for size in ICON_SIZES:
            icon = os.path.join(self.usr, "share", "icons", "hicolor", f"{size}x{size}", "apps",
                                f"{app_id}.png")
            self.assertEqual(run("identify", "-format", "%wx%h", icon).stdout, f"{size}x{size}")
        for program in os.listdir(os.path.join(self.usr, "bin")):
            self.assertTrue(os.path.exists(os.path.join(self.usr, "share", "man", "man1",
                                                        f"{program}.1.gz")), program)
        self.assertEqual(sorted(os.listdir(os.path.join(self.usr, "bin"))),
                         ["rz4-chanlist", "rz4tv"], "the demo server is no part of the package")
        for doc in ("README.md", "copyright", "changelog.gz"):
            self.assertTrue(os.path.exists(os.path.join(self.usr, "share", "doc", "rz4tv", doc)))

    def test_4_unpacked_program_plays_and_is_the_entrys_window(self):
        desktop = Desktop()
        window = Rz4Window(desktop, os.path.join(self.usr, "bin", "rz4tv"), "rz4tv-package.log")
        with desktop_suite.demo_server(ARGS, os.path.join(desktop.workdir, "demo")), desktop:
            try:
                window.start()
                window.play_first_demo_channel()
                # The menu entry, the taskbar button and the window are one where these agree.
                wm_class = desktop.run(["xprop", "-id", str(window.wid), "WM_CLASS"]).stdout
                self.assertIn(f'"{self.entry()[1]["StartupWMClass"]}"', wm_class)
            finally:
                window.stop()


if __name__ == "__main__":
    ARGS = desktop_suite.arguments()
    sys.exit(desktop_suite.run(ARGS, 420))
