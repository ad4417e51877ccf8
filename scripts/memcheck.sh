#!/usr/bin/env bash
# Memcheck of a short real run: WinMain in process on the offscreen driver
# (question answered, start-up with the report and the images, frames, an F1
# rebuild, Escape, teardown), under valgrind with a debug-info build.
# Passes when no error and no definite leak has a frame in our own code;
# what the GL driver, LLVM or the C library report is listed but not ours.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
build=${ORLATH_BUILD:-build}-memcheck
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORLATH_BENCH=OFF >/dev/null
cmake --build "$build" -j"${ORLATH_JOBS:-2}" --target test_app mkimages startup_images >/dev/null
log=$(mktemp)
(cd "$build" && SDL_VIDEODRIVER=offscreen ORLATH_BIN=$PWD/bin \
  valgrind --leak-check=full --errors-for-leak-kinds=definite --num-callers=40 --log-file="$log" \
    --fullpath-after="$top/" \
  ./tests/test_app --gtest_filter='MainLoop.F1RebuildsTheWindowInTheOtherModeWithTheSwitchedTitle' >/dev/null)

# Only the errors whose first frame is in our code count
# (memcheck_ours.py); our frames name their files from the top folder.
python3 scripts/memcheck_ours.py "$log" > "$log.ours"
echo "valgrind: $(grep -E 'ERROR SUMMARY' "$log" | sed 's/==[0-9]*== //')"
echo "valgrind: $(grep -E 'definitely lost:' "$log" | sed 's/==[0-9]*== *//')"
if [[ -s "$log.ours" ]]; then
  echo "errors or leaks in our code:"
  cat "$log.ours"
  exit 1
fi
echo "memcheck: no error and no definite leak from our code (full log: $log)"
