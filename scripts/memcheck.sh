#!/usr/bin/env bash
# Memcheck of a short real run: WinMain in process on the offscreen driver
# (question answered, start-up with the report and the images, frames, an F1
# rebuild, Escape, teardown), under valgrind with a debug-info build.
# Passes when no error and no definite leak has a frame in our own code;
# what the GL driver, LLVM or the C library report is listed but not ours.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ORLATH_BUILD:-build}-memcheck
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORLATH_BENCH=OFF >/dev/null
cmake --build "$build" -j"${ORLATH_JOBS:-2}" --target test_app mkimages startup_images >/dev/null
log=$(mktemp)
(cd "$build" && SDL_VIDEODRIVER=offscreen ORLATH_BIN=$PWD/bin \
  valgrind --leak-check=full --errors-for-leak-kinds=definite --num-callers=40 --log-file="$log" \
  ./tests/test_app --gtest_filter='MainLoop.F1RebuildsTheWindowInTheOtherModeWithTheSwitchedTitle' >/dev/null)

# An error is ours when its first frame, past the allocator for a leak, is
# in one of our source files. Frames deeper in the stack don't count: every
# driver call passes through our code on its way down.
python3 - "$log" > "$log.ours" <<'PY'
import re, sys
ours = re.compile(r"\((main_loop|render_window|startup|debug_report|clock|random|scene|render_frame|effects|"
                  r"tga_\w*|texture_table|mipmap_loader|bitmap_font\w*|atlas_\w*|layer_\w*|main_entry|gallery\w*)\.cpp:\d+\)")
allocator = re.compile(r"vgpreload|: (malloc|calloc|realloc|strdup|strndup|operator new)")
text = re.sub(r"(?m)^==\d+== ?", "", open(sys.argv[1]).read())
for record in text.split("\n\n"):
    if not re.search(r"Invalid|uninitialised|Conditional jump|Mismatched|Syscall param|definitely lost", record):
        continue
    # The error's own stack, not the allocation stack that may follow it.
    own = record.split(" Address 0x")[0]
    frames = [l for l in own.splitlines() if re.match(r"\s+(at|by) 0x", l)]
    first = next((f for f in frames if not allocator.search(f)), "")
    if ours.search(first):
        print(record, end="\n\n")
PY
echo "valgrind: $(grep -E 'ERROR SUMMARY' "$log" | sed 's/==[0-9]*== //')"
echo "valgrind: $(grep -E 'definitely lost:' "$log" | sed 's/==[0-9]*== *//')"
if [[ -s "$log.ours" ]]; then
  echo "errors or leaks in our code:"
  cat "$log.ours"
  exit 1
fi
echo "memcheck: no error and no definite leak from our code (full log: $log)"
