#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a few seconds on the seed
# corpora: a smoke check that the targets build, start and find nothing quickly.
#
#   fuzz/smoke.sh [BUILD_DIR] [SECONDS]      (from the repository root)
#
# Skipped, with a note, when clang is not installed.
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-20}

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

for target in read_trace detect analyze_frames; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  echo "fuzz_$target: ${seconds} s"
  # Inputs up to 140,000 bytes: a LAN900 trace needs two 65,536-byte blocks.
  "$build/bin/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=140000 \
    -print_final_stats=1 "$corpus" "$seeds/$target"
done
