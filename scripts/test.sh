#!/usr/bin/env bash
# Builds everything and runs every test: a normal build, then the same
# tests under AddressSanitizer and UndefinedBehaviorSanitizer. Warnings
# stop both builds.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
# CTest starts a throwaway PostgreSQL server for the server-store tests and
# stops it after them; should the run itself be stopped, it is stopped here.
pg_dir() { printf '/tmp/bwps-pgtest-%s' "$(printf %s "$PWD/$1" | md5sum | cut -c1-12)"; }
trap 'bash scripts/pg_test_server.sh stop "$(pg_dir build)"; bash scripts/pg_test_server.sh stop "$(pg_dir build-asan)"' EXIT
bash scripts/check_raw_calls.sh
jobs=${BWPS_JOBS:-$(nproc)}
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBWPS_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DBWPS_SANITIZE=ON -DBWPS_BENCH=OFF -DBWPS_WERROR=ON >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions="$PWD/../scripts/lsan.supp":print_suppressions=0 ctest --output-on-failure -j"$jobs")
