#!/usr/bin/env bash
# Installs what is missing, builds, and runs the program against the bundled demo channel server.
# With a display you use the program, and closing it stops the demo server too. Without one (a
# server, CI) it plays the first demo channel on a virtual display and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh
./scripts/configure.sh default
cmake --build --preset default -j "$(nproc)" --target rz4tv rz4-chanlist

if [ -z "${DISPLAY:-}" ]; then
    exec python3 scripts/headless_demo.py --build-dir build --out rz4tv-demo.png
fi

demo/server.sh start --build-dir build
trap 'demo/server.sh stop' EXIT
trap 'exit 130' INT TERM
build/mainwindow/rz4tv
