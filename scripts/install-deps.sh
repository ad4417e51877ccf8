#!/usr/bin/env bash
# Installs everything the project needs on a fresh Debian 12, as root.
# The package list lives here and nowhere else. A machine that already has
# every package skips apt entirely, so warm runs cost nothing.
set -euo pipefail

PACKAGES=(
  # build
  build-essential g++ cmake pkg-config
  # the layer: SDL2, Mesa GL/GLU (offscreen EGL for the unit tests), fonts
  libsdl2-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri libegl-mesa0
  libfreetype-dev libfontconfig-dev fonts-liberation
  # unit tests
  googletest libgtest-dev
  # end-to-end tests: private X server, input, window walking, screenshots;
  # SDL's X11 message box draws with the core fonts of xfonts-base
  xvfb xdotool x11-utils x11-xserver-utils xfonts-base imagemagick python3
  # fuzzing and sanitizers
  clang libclang-rt-14-dev
  # Windows cross-build, and Wine to run it (about 1.5 GiB)
  g++-mingw-w64-x86-64 wine64 wine fonts-wine
  # leak checks, image tools
  valgrind libstb-dev
  # orlath-capture: PNG frames through libpng, videos through the ffmpeg
  # program (its tests and benchmark probe videos with ffprobe, from ffmpeg)
  libpng-dev ffmpeg
)

missing=()
for package in "${PACKAGES[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if [[ ${#missing[@]} -eq 0 ]]; then
  echo "install-deps: all ${#PACKAGES[@]} packages present"
  exit 0
fi

if [[ $(id -u) -ne 0 ]]; then
  echo "install-deps: missing ${missing[*]}; run this script as root" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
