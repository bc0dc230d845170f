#!/bin/sh
# Builds the question-file fuzzer with clang and runs it on the seed corpus in
# fuzz/corpus for a bounded time: the first argument, in seconds (default 60).
# Exits non-zero on any finding; the input that caused it is left in the
# build directory's fuzz-artifacts folder.
set -eu
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build=build-fuzz
sh scripts/install-deps.sh

cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTAVOSU_BUILD_UI=OFF -DTAVOSU_FUZZ=ON
cmake --build "$build" -j"$(nproc)" --target question_file_fuzzer

# The fuzzer adds the inputs it finds to its corpus folder, so it works on a
# copy and the committed seeds stay as they are.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -R fuzz/corpus "$work/corpus"
artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts"

# Its progress goes to a log; on a finding the end of the log is shown.
log="$build/fuzz.log"
if ! "$build/fuzz/question_file_fuzzer" -max_total_time="$seconds" -max_len=65536 -timeout=30 \
  -artifact_prefix="$artifacts/" "$work/corpus" >"$log" 2>&1; then
  tail -n 60 "$log"
  echo "fuzzing found a fault; the input is in $artifacts" >&2
  exit 1
fi
grep -E '^Done [0-9]+ runs' "$log"
