#!/usr/bin/env bash
# Line coverage of the readers (src/import/) and of the engine by the unit tests
# plus the replay of the kept fuzz corpus, measured with clang's source-based
# coverage (-fprofile-instr-generate -fcoverage-mapping).
#
#   scripts/coverage.sh [BUILD_DIR]      (from the repository root; default build-cov)
#
# Prints the per-file table and the totals of src/import/ and of the engine; the
# full report is left in BUILD_DIR/coverage/report.txt, an HTML view in
# BUILD_DIR/coverage/html. Needs clang, llvm-profdata and llvm-cov.
set -euo pipefail
build=${1:-build-cov}
profdata=$(command -v llvm-profdata || command -v llvm-profdata-14)
cov=$(command -v llvm-cov || command -v llvm-cov-14)
flags="-fprofile-instr-generate -fcoverage-mapping"

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O1" \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" -DQUENLIX_GUI=OFF >/dev/null
unit_tests=(quenlix_model_tests quenlix_import_tests quenlix_ui_tests quenlix_report_tests quenlix_program_tests)
cmake --build "$build" -j2 --target "${unit_tests[@]}" quenlix-report fuzz_replay

out="$build/coverage"
rm -rf "$out"
mkdir -p "$out/raw"
export LLVM_PROFILE_FILE="$PWD/$out/raw/%p-%m.profraw"
# The unit tests (the report's tests run quenlix-report, whose profile is kept too).
objects=(-object "$build/bin/quenlix-report")
for tests in "${unit_tests[@]}"; do
  "$build/bin/$tests" --gtest_brief=1 >>"$out/tests.log" 2>&1 || { tail -30 "$out/tests.log"; exit 1; }
  objects+=(-object "$build/bin/$tests")
done
for corpus in tests/fuzz_corpus/*/; do
  target=$(basename "$corpus")
  "$build/bin/replay_$target" "$corpus" >>"$out/replay.log"
  objects+=(-object "$build/bin/replay_$target")
done
"$profdata" merge -sparse "$out"/raw/*.profraw -o "$out/all.profdata"

report=$out/report.txt
"$cov" report -instr-profile="$out/all.profdata" "${objects[@]:1}" >"$report"
"$cov" show -format=html -output-dir="$out/html" -instr-profile="$out/all.profdata" "${objects[@]:1}" >/dev/null
# The rows of the files whose names match $1, then their total: lines, missed
# lines, cover (the line columns are the 6th to 4th from the end).
lines() {
  awk -v files="$1" -v name="$2" '
    $1 ~ files { print "  " $1, $(NF-5), $(NF-4), $(NF-3); total += $(NF-5); missed += $(NF-4) }
    END { printf "line coverage of %s: %d lines, %d missed: %.2f %%\n", name, total, missed,
          total ? 100 * (total - missed) / total : 0 }' "$report"
}
lines '^src/import/' 'src/import/'
lines '^src/model/FrameEngine[.]cpp$' 'src/model/FrameEngine.cpp'
lines '^src/model/(FrameEngine|AnalysisState|TransactionAnalysis)[.](cpp|h)$|^src/model/(ChainIndex|ChunkedList)[.]h$' 'the engine'
