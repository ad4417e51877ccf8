#!/usr/bin/env bash
# Installs what is missing, builds, and runs the demo from build/bin/.
# `demo.sh gallery` runs the toolkit gallery instead of the demo.
#
# With a display, the program simply runs there. Without one (no DISPLAY, or
# one that cannot be reached), it runs on a private Xvfb: the start question
# is answered No, the program runs for about 5 seconds with the debug report
# switched on, then a screenshot is taken, Escape is held, and the
# screenshot, Debug.txt and the exit status are kept in out/demo-<time>/.
# The gallery's headless run saves one screenshot per page instead, in
# out/gallery-<time>/.
#
# `demo.sh web` builds the web pages of both programs instead (emscripten,
# into build-web/web/) and serves them on 127.0.0.1, printing each page's
# address (WEB_PORT, default 8000). Without a display it opens each page in
# headless Chromium, answers No, and keeps a screenshot of the page after
# DEMO_SECONDS in out/web-<time>/.
set -euo pipefail
cd "$(dirname "$0")/.."

program="${1:-orlath}"
case "$program" in
  orlath) kind=demo ;;
  gallery) kind=gallery ;;
  web) kind=web ;;
  *) echo "usage: $0 [gallery|web]" >&2; exit 2 ;;
esac

if [[ $(id -u) -eq 0 ]]; then
  if [[ $kind == web ]]; then
    bash scripts/install-deps.sh web
  else
    bash scripts/install-deps.sh demo
  fi
fi

if [[ $kind == web ]]; then
  build=${ORLATH_BUILD:-build}-web
  (cd tests/web && npm ci --no-audit --no-fund --loglevel=error)
  emcmake cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release
  cmake --build "$build" -j2
  if [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1; then
    exec node scripts/web_demo.js serve "$build/web" "${WEB_PORT:-8000}" orlath gallery
  fi
  out="out/web-$(date +%Y%m%d-%H%M%S)"
  echo "no display: screenshots of each page from headless Chromium, in $out/"
  node scripts/web_demo.js shots "$build/web" "$out" "${DEMO_SECONDS:-5}" orlath gallery
  echo "results in $(pwd)/$out/"
  exit 0
fi

build=${ORLATH_BUILD:-build}
# The tests and benchmarks need the checks' packages (install-deps.sh all);
# without them only the programs and tools are built.
extra=()
if [[ "$(dpkg-query -W -f='${Status}' libgtest-dev libstb-dev 2>/dev/null)" != \
      "install ok installedinstall ok installed" ]]; then
  extra=(-DORLATH_TESTS=OFF -DORLATH_BENCH=OFF)
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release "${extra[@]}"
cmake --build "$build" -j2

if [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1; then
  cd "$build/bin"
  status=0
  "./$program" || status=$?
  echo "$program exited with status $status"
  exit 0
fi

out="out/$kind-$(date +%Y%m%d-%H%M%S)"
echo "no display: running headless, results in $out/"
python3 scripts/headless_demo.py "$build/bin" "$out" "${DEMO_SECONDS:-5}" "$program"
echo "results in $(pwd)/$out/"
