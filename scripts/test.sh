#!/bin/sh
# Builds Tavosu and runs every test: once in a normal build, once under
# AddressSanitizer and UndefinedBehaviorSanitizer; then fuzzes the question
# file loader for a minute.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
jobs="$(nproc)"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTAVOSU_SANITIZE=ON
cmake --build build-sanitize -j"$jobs"
ctest --test-dir build-sanitize --output-on-failure -j"$jobs"

sh scripts/fuzz.sh 60
