#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a few seconds on the seed
# corpora and the kept corpus: a smoke check that the targets build, start and
# find nothing quickly.
#
#   fuzz/smoke.sh [BUILD_DIR] [SECONDS]      (from the repository root)
#
# SECONDS (default 60) is shared out among the targets, at least 3 seconds each.
# Skipped, with a note, when clang is not installed.
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-60}

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz smoke check skipped: clang++ is not installed"
  exit 0
fi

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O1 -gline-tables-only" -DQUENLIX_FUZZ=ON \
  -DQUENLIX_BUILD_TESTS=OFF -DQUENLIX_GUI=OFF
cmake --build "$build" -j2 --target fuzz

seeds="$build/seeds"
rm -rf "$seeds"
"$build/bin/quenlix-fuzz-seeds" "$seeds" ../shared/captures

targets=$(cd "$seeds" && ls -d */ | tr -d /)
count=$(echo "$targets" | wc -w)
each=$(( seconds / count > 3 ? seconds / count : 3 ))
for target in $targets; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  # The general read target takes whole traces (a LAN900 trace needs two 65,536-byte
  # blocks); the reader targets lay their format out themselves and take small inputs.
  case $target in
    read_trace|detect|analyze_frames|builders) max_len=140000 ;;
    *) max_len=8192 ;;
  esac
  kept=tests/fuzz_corpus/$target
  [ -d "$kept" ] || kept=
  echo "fuzz_$target: ${each} s"
  "$build/bin/fuzz_$target" -max_total_time="$each" -timeout=10 -rss_limit_mb=2048 -max_len="$max_len" \
    -print_final_stats=1 "$corpus" "$seeds/$target" $kept
done
