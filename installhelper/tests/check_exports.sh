#!/usr/bin/env bash
# The dynamic symbols that libtarbolt.so defines are exactly the names of its interface,
# undecorated (no C++ names, no platform-layer symbols). Names the toolchain adds for
# itself (sanitizer run-time hooks, "_init" and the like) start with "_" and a non-"Z".
set -euo pipefail
lib="$1"
expected="GetDebugLevel
SHFileCopy
SHFileDelete
SHFileMove
SHFileRename
SetDebugLevel
getFileAttributes
moveFileEx
setFileAttributes"
actual=$(nm -D --defined-only "$lib" | awk '{print $NF}' | grep -v -E '^_[^Z]' | LC_ALL=C sort)
if [[ "$actual" != "$(LC_ALL=C sort <<<"$expected")" ]]; then
  echo "exported:"; echo "$actual"
  echo "expected:"; LC_ALL=C sort <<<"$expected"
  exit 1
fi
echo "exports ok"
