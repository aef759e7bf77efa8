#!/usr/bin/env bash
# Renders every window and dialog built so far, offscreen, with Japanese fixture data, into
# PNG files for people to look at. Each screen adds itself as a test named Screenshots.*
# in its folder's GUI test binary.
#
#   bash scripts/screenshots.sh [folder]      (default: build/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/ensure-build.sh

out=$(realpath -m "${1:-build/screenshots}")
mkdir -p "$out"
export QUENDREL_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=offscreen TZ=Asia/Tokyo
for test in build/app/*_tests; do
  [ -x "$test" ] || continue
  "$test" --gtest_filter='Screenshots.*' --gtest_brief=1 >&2
done
echo "Screenshots written to $out:"
ls "$out"
