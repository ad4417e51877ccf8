#!/usr/bin/env bash
# Installs what the project needs on a fresh Debian 12, as root.
#   install-deps.sh demo   what building and running the demo needs, with
#                          Xvfb and its tools for a run without a display
#   install-deps.sh web    that, and what the web pages need (demo.sh web)
#   install-deps.sh all    all of these, and everything the checks need
#                          (default)
# The package lists live here and nowhere else. A machine that already has
# every package skips apt entirely, so warm runs cost nothing.
set -euo pipefail

DEMO_PACKAGES=(
  # build
  build-essential g++ cmake pkg-config
  # the layer: SDL2, Mesa GL/GLU (offscreen EGL for headless runs), fonts
  libsdl2-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri libegl-mesa0
  libfreetype-dev libfontconfig-dev fonts-liberation
  # a run without a display: private X server, input, window walking,
  # screenshots; SDL's X11 message box draws with xfonts-base's core fonts
  xvfb xdotool x11-utils x11-xserver-utils xfonts-base imagemagick python3
  # orlath-capture writes PNG frames through libpng
  libpng-dev
  # stb_image (PNG and JPEG images) and stb_vorbis (the music) compiled into
  # the library, and the encoder our tune maker links
  libstb-dev libvorbis-dev
)

CHECK_PACKAGES=(
  # unit tests
  googletest libgtest-dev
  # fuzzing and sanitizers
  clang libclang-rt-14-dev
  # Windows cross-build, and Wine to run it (about 1.5 GiB)
  g++-mingw-w64-x86-64 wine64 wine fonts-wine
  # leak checks
  valgrind
  # orlath-capture's videos go through the ffmpeg program (its tests and
  # benchmark probe them with ffprobe, from ffmpeg too)
  ffmpeg
)

WEB_PACKAGES=(
  # the web pages: the compiler (its GL emulation, libc and node's parser
  # come with it), Chromium for the pages' tests and headless screenshots,
  # and node, whose npm fetches puppeteer-core into tests/web/
  emscripten chromium nodejs
)
# Some builds of nodejs carry npm inside; Debian's is a package of its own.
command -v npm >/dev/null || WEB_PACKAGES+=(npm)

group=${1:-all}
case "$group" in
  demo) PACKAGES=("${DEMO_PACKAGES[@]}") ;;
  web) PACKAGES=("${DEMO_PACKAGES[@]}" "${WEB_PACKAGES[@]}") ;;
  all) PACKAGES=("${DEMO_PACKAGES[@]}" "${CHECK_PACKAGES[@]}" "${WEB_PACKAGES[@]}") ;;
  *) echo "usage: $0 [demo|web|all]" >&2; exit 2 ;;
esac

missing=()
for package in "${PACKAGES[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if [[ ${#missing[@]} -eq 0 ]]; then
  echo "install-deps: all ${#PACKAGES[@]} packages of '$group' present"
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
