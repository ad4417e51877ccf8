#!/usr/bin/env bash
# Fuzzes the image, music and sync track readers with libFuzzer under ASan
# and UBSan.
#
#   scripts/fuzz.sh [SECONDS]
#
# Builds the targets with clang in $ORLATH_FUZZ_BUILD (default: the
# $ORLATH_BUILD folder of scripts/test.sh, default build, with -fuzz added),
# has mkimages and mktune write the seed corpus, and runs each target for its share of
# SECONDS (default $FUZZ_SECONDS, else 60). With FUZZ_RUNS=N each target
# stops after N executions instead. New inputs are kept in
# <build>/fuzz/corpus-<target>, so later runs start where this one ended.
# Exits non-zero when a target finds a fault (its crash file is named on
# standard error).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-${FUZZ_SECONDS:-60}}
build=${ORLATH_FUZZ_BUILD:-${ORLATH_BUILD:-build}-fuzz}
jobs=${ORLATH_JOBS:-2}
targets=(fuzz_load_tga fuzz_load_image fuzz_mipmap_parser fuzz_atlas_reader fuzz_music_reader
         fuzz_sync_binary fuzz_sync_text)

mkdir -p "$build"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DORLATH_FUZZ=ON -DORLATH_SANITIZE=ON -DORLATH_TESTS=OFF -DORLATH_BENCH=OFF >"$build/configure.log" 2>&1 \
  || { cat "$build/configure.log"; exit 1; }
cmake --build "$build" -j"$jobs" --target "${targets[@]}" mkimages mktune

seeds="$build/fuzz/seeds"
mkdir -p "$seeds"
# Right after linking, the new binary can still be busy for a moment.
for try in 1 2 3; do
  "$build/bin/mkimages" --seeds "$seeds" \
    && "$build/bin/mktune" "$seeds/tune.ogg" --seconds 0.3 \
    && "$build/bin/mktune" "$seeds/click.ogg" --click --mono --rate 8000 --seconds 1.1 && break
  (( try < 3 )) || exit 1
  sleep 1
done

per_target=$(( seconds / ${#targets[@]} ))
(( per_target > 0 )) || per_target=1
status=0
for target in "${targets[@]}"; do
  corpus="$build/fuzz/corpus-$target"
  artifacts="$build/fuzz/artifacts-$target/"
  mkdir -p "$corpus" "$artifacts"
  if [[ -n "${FUZZ_RUNS:-}" ]]; then
    limit=(-runs="$FUZZ_RUNS")
  else
    limit=(-max_total_time="$per_target")
  fi
  echo "== $target: ${limit[*]}"
  # SDL's offscreen driver: the layer never needs a display here.
  # A music stream's headers alone take a few kilobytes.
  max_len=4096
  [[ $target == fuzz_music_reader ]] && max_len=16384
  if ! SDL_VIDEODRIVER=offscreen "$build/bin/$target" "${limit[@]}" -max_len=$max_len -print_final_stats=1 \
       -artifact_prefix="$artifacts" "$corpus" "$seeds" 2>"$build/fuzz/$target.log"; then
    status=1
    echo "$target found a fault; see $build/fuzz/$target.log and $artifacts" >&2
  fi
  grep -a -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)|^Done|^INFO: Loaded' \
    "$build/fuzz/$target.log" || true
  tail -n 30 "$build/fuzz/$target.log" | grep -a -E 'ERROR|SUMMARY|fuzz check failed' || true
done
exit $status
