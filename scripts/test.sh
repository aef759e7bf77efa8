#!/usr/bin/env bash
# Installs what is missing, builds everything (the programs, their libraries, the tests and
# the benchmarks) and runs every test; then builds everything but the benchmarks again with
# AddressSanitizer and UndefinedBehaviorSanitizer and runs every test there too.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

JOBS=$(nproc)
# Let ccache reuse compilations across clones of the repository in other folders.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
export CTEST_OUTPUT_ON_FAILURE=1

# Debugging information as line tables only (-g1): a failure's stack still names files and
# lines, and each file compiles in a fifth to a quarter less time.
# Unity builds: each target's files compile in batches of 16, so Qt's, GoogleTest's and our
# headers, which take most of a file's compile time, are read once per batch instead of once
# per file. Developers' builds compile file by file and so still catch a missing include.
UNITY=(-DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=16)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${UNITY[@]}" \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"
cmake --build build -j "$JOBS"
# A test that hangs fails after a quarter of an hour instead of holding the run (tests that
# need longer say so themselves).
ctest --test-dir build -j "$JOBS" --output-on-failure --timeout 900

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=ON -DBUILD_BENCHMARKS=OFF "${UNITY[@]}" \
  -DCMAKE_CXX_FLAGS_DEBUG="-g1" -DCMAKE_C_FLAGS_DEBUG="-g1"
cmake --build build-asan -j "$JOBS"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan -j "$JOBS" --output-on-failure --timeout 900
