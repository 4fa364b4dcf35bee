#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run.
# Idempotent: when everything is present it returns without touching the network.
set -euo pipefail

PACKAGES=(
  # build
  cmake g++ pkg-config make
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev libqt6opengl6-dev
  libmpv-dev
  libgtest-dev libgmock-dev
  clang libclang-rt-14-dev
  # runtime pieces the program and its tests use for real
  ffmpeg
  fonts-arphic-ukai fonts-arphic-uming fonts-dejavu-core
  python3
  # virtual desktop for end-to-end tests and the headless demo
  xvfb xauth icewm xdotool x11-utils imagemagick
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${#missing[@]} missing package(s): ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "install-deps: done"
