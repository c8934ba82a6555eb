#!/usr/bin/env bash
# Builds everything and runs every test: a normal build, then the same
# tests under AddressSanitizer and UndefinedBehaviorSanitizer. Warnings
# stop both builds.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/check_raw_calls.sh
jobs=${BWPS_JOBS:-$(nproc)}
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBWPS_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DBWPS_SANITIZE=ON -DBWPS_BENCH=OFF -DBWPS_WERROR=ON >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions="$PWD/../scripts/lsan.supp":print_suppressions=0 ctest --output-on-failure -j"$jobs")
