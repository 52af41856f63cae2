#!/usr/bin/env bash
# A long run of one fuzz target, by CPU time, at the lowest priority, so that it
# only takes time the machine has idle. Resumable: the run's corpus is kept in
# BUILD_DIR/runs/TARGET/corpus and grows over runs.
#
#   fuzz/long_run.sh TARGET CPU_SECONDS [BUILD_DIR]     (from the repository root,
#                                                        after fuzz/smoke.sh built the targets)
#
# Findings land in BUILD_DIR/runs/TARGET/ (crash-*, leak-*, timeout-*); the log
# (BUILD_DIR/runs/TARGET/log) ends with libFuzzer's last status line (executions,
# cov, ft). The run ends when its CPU time is spent (SIGXCPU).
set -uo pipefail
target=$1
cpu=$2
build=${3:-build-fuzz}
run="$build/runs/$target"
mkdir -p "$run/corpus"
case $target in
  read_trace|detect|analyze_frames|builders) max_len=140000 ;;
  *) max_len=8192 ;;
esac
kept=tests/fuzz_corpus/$target
[ -d "$kept" ] || kept=
(
  ulimit -t "$cpu"
  exec nice -n 19 "$build/bin/fuzz_$target" -timeout=10 -rss_limit_mb=2048 -max_len="$max_len" \
    -print_final_stats=1 -artifact_prefix="$run/" "$run/corpus" "$build/seeds/$target" $kept
) >>"$run/log" 2>&1
echo "$target: $(grep -E '^#[0-9]+' "$run/log" | tail -1)"
