#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run.
# Idempotent: when everything is present it returns without touching the network.
set -euo pipefail

PACKAGES=(
  # build
  cmake ninja-build g++ pkg-config make
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev libqt6opengl6-dev
  libmpv-dev libxcb1-dev libx11-dev
  libgtest-dev libgmock-dev
  clang libclang-rt-14-dev clang-format clang-tidy
  libicu-dev zlib1g-dev
  # runtime pieces the program and its tests use for real; mpv is the zap benchmark's baseline
  ffmpeg mpv locales
  fonts-arphic-ukai fonts-arphic-uming fonts-dejavu-core
  python3
  # virtual desktop for end-to-end tests and the headless demo
  xvfb xauth icewm xdotool x11-utils imagemagick
  # a private session bus for the media-key and screen-saver tests, and gdbus to call on it
  dbus libglib2.0-bin
  # the desktop's accessibility bus and its Python bindings, to read the window as a screen reader
  at-spi2-core python3-pyatspi
  # the production channel-server set-up, started for real by its test
  nginx-light
  # the Debian package and the checks it must pass
  dpkg-dev fakeroot lintian desktop-file-utils appstream help2man
  # a Wayland session, so that the fall-back to XWayland is tried for real
  weston xwayland qt6-wayland
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${#missing[@]} missing package(s): ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  echo "install-deps: done"
fi

# Our users run under zh_CN.UTF-8, and libmpv refuses to start under any numeric locale but C:
# the tests run under the users' locale to keep that covered.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  echo "install-deps: generating the zh_CN.UTF-8 locale"
  $SUDO localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi
