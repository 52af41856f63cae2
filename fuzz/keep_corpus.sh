#!/usr/bin/env bash
# Minimises the corpus of fuzz targets into the kept corpus tests/fuzz_corpus/TARGET:
# the kept inputs, the seeds and the long runs' corpora, merged with -merge=1 (the
# smallest set of inputs that keeps every feature). Inputs are cut to KEEP_MAX_LEN
# bytes (default 8192; the reader targets take no more) so that the kept corpus
# stays small. Runs one target at a time at the lowest priority.
#
#   fuzz/keep_corpus.sh [BUILD_DIR] [TARGET...]     (from the repository root)
set -euo pipefail
build=${1:-build-fuzz}
shift || true
targets=${*:-$(cd "$build/seeds" && ls -d */ | tr -d /)}
max_len=${KEEP_MAX_LEN:-8192}
for target in $targets; do
  kept=tests/fuzz_corpus/$target
  fresh=$(mktemp -d)
  sources=()
  for folder in "$kept" "$build/seeds/$target" "$build/runs/$target/corpus"; do
    [ -d "$folder" ] && sources+=("$folder")
  done
  # An input that breaks the target during the merge is left out of the corpus and
  # kept as a finding beside the log, never in the working folder.
  rm -f "$build/merge-$target-"*
  nice -n 19 "$build/bin/fuzz_$target" -merge=1 -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$build/merge-$target-" "$fresh" "${sources[@]}" >"$build/merge-$target.log" 2>&1
  for finding in "$build/merge-$target-"*; do
    [ -e "$finding" ] && echo "$target: FINDING $finding (see $build/merge-$target.log)"
  done
  rm -rf "$kept"
  mkdir -p "$kept"
  cp "$fresh"/* "$kept"/ 2>/dev/null || true
  rm -rf "$fresh"
  echo "$target: $(ls "$kept" | wc -l) inputs, $(du -sk "$kept" | cut -f1) KB"
done
