#!/usr/bin/env bash
# Runs every check of the project, as CI does:
#   1. installs what is missing (as root),
#   2. Release build, then all CTest tests: unit tests (offscreen GL) and the
#      end-to-end suite of the real program on private Xvfb servers,
#   3. an ASan+UBSan build running the unit tests, and valgrind's memcheck
#      of a short real run (scripts/memcheck.sh),
#   4. the MinGW-w64 cross-build of orlath.exe, tgacheck.exe and gallery.exe,
#      the template built against its kit as mydemo.exe, and its zip,
#   5. the same end-to-end suite against orlath.exe under Wine, and tgacheck
#      against tgacheck.exe (CTest label wine),
#   6. the web build (emscripten, in <build>-web) and its pages' tests in
#      headless Chromium (CTest label web),
#   7. the fuzz targets for about a minute, when scripts/fuzz.sh is there.
# Every stage runs even when an earlier one failed (unless it needs that
# one's build); the script exits non-zero if any stage failed.
#
# Build folders: $ORLATH_BUILD (default build), and beside it
# <that>-sanitize, -memcheck, -mingw, -web and -fuzz.
set -uo pipefail
cd "$(dirname "$0")/.."

build=${ORLATH_BUILD:-build}
jobs=${ORLATH_JOBS:-2}
started=$SECONDS
failed_stages=()
passed_stages=()
tests_passed=0
tests_failed=0

stage() {
  echo
  echo "=== $1 ($((SECONDS - started)) s)"
}
pass() { passed_stages+=("$1"); }
fail() { failed_stages+=("$1"); echo "*** stage failed: $1"; }

# Adds up ctest's "N% tests passed, F tests failed out of T" line.
count_ctest() {
  local line total failed
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -1)
  [[ -n "$line" ]] || return 0
  failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
  tests_passed=$((tests_passed + total - failed))
  tests_failed=$((tests_failed + failed))
}

log_dir=$(mktemp -d)
trap 'rm -rf "$log_dir"' EXIT

stage "dependencies"
bash scripts/install-deps.sh all || { echo "cannot go on without the packages"; exit 1; }

stage "Release build in $build/"
# The tests under Wine find the cross-build's run folder through this.
windows_bin=$(pwd)/$build-mingw/bin
[[ "$build" == /* ]] && windows_bin=$build-mingw/bin
# The web kit's test starts its demo with the native orlath-new-demo.
native_bin=$(pwd)/$build/bin
[[ "$build" == /* ]] && native_bin=$build/bin
if cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DORLATH_TESTS=ON -DORLATH_BENCH=ON \
     -DORLATH_WINDOWS_BIN="$windows_bin" >"$log_dir/configure.txt" 2>&1 \
   || { cat "$log_dir/configure.txt"; false; } && cmake --build "$build" -j"$jobs"; then
  pass build
  stage "unit and end-to-end tests"
  if (cd "$build" && ctest --output-on-failure -j"$jobs" -LE wine 2>&1 | tee "$log_dir/ctest.txt"); then
    pass tests
  else
    fail tests
  fi
  count_ctest "$log_dir/ctest.txt"
else
  fail build
fi

stage "ASan+UBSan build in $build-sanitize/, unit tests"
# One process per case, as in the Release run: a death test forked from a
# process that already has GL driver threads crashes in the driver's exit.
# Leak checking stays off: Mesa's and fontconfig's own allocations at exit
# drown it and cost seconds per case (scripts/memcheck.sh looks for ours).
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
if cmake -S . -B "$build-sanitize" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
     -DORLATH_SANITIZE=ON -DORLATH_BENCH=OFF >"$log_dir/configure-san.txt" 2>&1 \
   || { cat "$log_dir/configure-san.txt"; false; } && cmake --build "$build-sanitize" -j"$jobs"; then
  # Memory growth under ASan's quarantine says nothing about our code.
  if (cd "$build-sanitize" && ctest --output-on-failure -j"$jobs" -LE 'e2e|wine' \
        -E 'FiftyRebuilds|HundredSwaps' 2>&1 | tee "$log_dir/ctest-san.txt"); then
    pass sanitize
  else
    fail sanitize
  fi
  count_ctest "$log_dir/ctest-san.txt"
else
  fail sanitize-build
fi
unset ASAN_OPTIONS UBSAN_OPTIONS

if [[ -f scripts/memcheck.sh ]]; then
  stage "valgrind memcheck of a short real run in $build-memcheck/"
  if bash scripts/memcheck.sh; then
    pass memcheck
  else
    fail memcheck
  fi
fi

stage "MinGW-w64 cross-build in $build-mingw/"
if cmake -S . -B "$build-mingw" -DCMAKE_BUILD_TYPE=Release \
     -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake >"$log_dir/configure-mingw.txt" 2>&1 \
   || { cat "$log_dir/configure-mingw.txt"; false; } \
   && cmake --build "$build-mingw" -j"$jobs"; then
  ok=1
  for exe in orlath.exe tgacheck.exe musiccheck.exe gallery.exe orlath-new-demo.exe; do
    if [[ "$(head -c 2 "$build-mingw/bin/$exe" 2>/dev/null)" == "MZ" ]]; then
      echo "$build-mingw/bin/$exe: Windows executable, $(stat -c %s "$build-mingw/bin/$exe") bytes"
      # It must run from a bare folder: only system DLLs, no MinGW runtime.
      foreign=$(x86_64-w64-mingw32-objdump -p "$build-mingw/bin/$exe" \
        | sed -n 's/^\s*DLL Name: //p' \
        | grep -viE '^(kernel32|user32|gdi32|opengl32|glu32|winmm|ws2_32|msvcrt)\.dll$' || true)
      if [[ -n "$foreign" ]]; then
        echo "$exe needs DLLs that Windows does not ship: $foreign"
        ok=0
      fi
    else
      echo "$build-mingw/bin/$exe is missing or not a Windows executable"
      ok=0
    fi
  done
  # The kit for Windows: the template built as mydemo.exe, and the zip.
  if [[ -x "$build/bin/orlath-new-demo" ]]; then
    bash scripts/mingw-kit.sh "$build-mingw" "$build/bin" || ok=0
  else
    echo "the MinGW kit check needs the Release build's orlath-new-demo"
    ok=0
  fi
  [[ $ok -eq 1 ]] && pass mingw || fail mingw
else
  fail mingw
fi

stage "Windows build under Wine: end-to-end suite, tgacheck against tgacheck.exe"
if [[ " ${passed_stages[*]} " == *" build "* && " ${passed_stages[*]} " == *" mingw "* ]]; then
  if (cd "$build" && ctest --output-on-failure -L wine 2>&1 | tee "$log_dir/ctest-wine.txt"); then
    pass wine
  else
    fail wine
  fi
  count_ctest "$log_dir/ctest-wine.txt"
else
  echo "needs the Release build and the MinGW build"
  fail wine
fi

stage "web build in $build-web/, pages in headless Chromium"
# puppeteer-core comes from npm at the version tests/web/package-lock.json names.
if (cd tests/web && npm ci --no-audit --no-fund --loglevel=error) \
   && emcmake cmake -S . -B "$build-web" -DCMAKE_BUILD_TYPE=Release \
        -DORLATH_NATIVE_BIN="$native_bin" >"$log_dir/configure-web.txt" 2>&1 \
   || { cat "$log_dir/configure-web.txt"; false; } && cmake --build "$build-web" -j"$jobs"; then
  if (cd "$build-web" && ctest --output-on-failure -L web 2>&1 | tee "$log_dir/ctest-web.txt"); then
    pass web
  else
    fail web
  fi
  count_ctest "$log_dir/ctest-web.txt"
else
  fail web-build
fi

if [[ -f scripts/fuzz.sh ]]; then
  stage "fuzzing"
  if FUZZ_SECONDS=${FUZZ_SECONDS:-60} bash scripts/fuzz.sh; then
    pass fuzz
  else
    fail fuzz
  fi
fi

echo
echo "=== done in $((SECONDS - started)) s"
echo "stages passed: ${passed_stages[*]:-none}"
echo "stages failed: ${failed_stages[*]:-none}"
echo "tests: $tests_passed passed, $tests_failed failed"
[[ ${#failed_stages[@]} -eq 0 ]]
