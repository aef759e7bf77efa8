#!/usr/bin/env bash
# Installs what a fresh machine lacks and brings the build folder "build" up to date:
# configured once, then built incrementally (the targets given, or everything).
#
#   bash scripts/ensure-build.sh [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh >&2
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
if [ ! -f build/build.ninja ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
fi
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build build "${targets[@]}" -j "$(nproc)" >&2
