#!/usr/bin/env bash
# Builds the libFuzzer targets in fuzz/ with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each for a bounded time, seeded with the MIME test
# corpus. Not part of CI: run it by hand after changing a parser or codec.
#   FUZZ_SECONDS  seconds per target (default 120)
#   FUZZ_JOBS     parallel fuzzing processes per target (default 1)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

SECONDS_EACH=${FUZZ_SECONDS:-120}
JOBS=${FUZZ_JOBS:-1}
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link \
  -DSANITIZE=ON -DOMBREL_FUZZ=ON -DBUILD_BENCHMARKS=OFF
cmake --build build-fuzz --target mime_fuzz mail_analyzer_fuzz html_text_fuzz

# New inputs go to a scratch corpus; crashes are written to build-fuzz/findings/. The
# fuzzer runs inside build-fuzz/, where parallel jobs leave their fuzz-N.log files.
seeds="$PWD/core/mailstore/tests/testdata"
mail_seeds="$PWD/core/transport/tests/testdata"
cd build-fuzz
mkdir -p corpus/mime corpus/mail_analyzer corpus/html_text findings
parallel=()
if ((JOBS > 1)); then parallel=(-jobs="$JOBS" -workers="$JOBS"); fi
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
./fuzz/mime_fuzz corpus/mime "$seeds" \
  -max_total_time="$SECONDS_EACH" -max_len=65536 -timeout=20 -rss_limit_mb=4096 \
  -artifact_prefix=findings/ -print_final_stats=1 "${parallel[@]}"
./fuzz/mail_analyzer_fuzz corpus/mail_analyzer "$mail_seeds" "$seeds" \
  -max_total_time="$SECONDS_EACH" -max_len=65536 -timeout=20 -rss_limit_mb=4096 \
  -artifact_prefix=findings/ -print_final_stats=1 "${parallel[@]}"
./fuzz/html_text_fuzz corpus/html_text "$mail_seeds" \
  -max_total_time="$SECONDS_EACH" -max_len=65536 -timeout=20 -rss_limit_mb=4096 \
  -artifact_prefix=findings/ -print_final_stats=1 "${parallel[@]}"
