#!/usr/bin/env bash
# An installed copy runs on its own: `cmake --install` into a fresh prefix, then the
# installed program started offscreen with the build folder and the sources out of sight
# (a private mount namespace lays an empty folder over each, as if they had been moved
# away). It must load the prefix's libraries and open an environment: it holds the
# environment's lock until it is ended.
#
#   installed_copy.sh BUILD-FOLDER SOURCE-FOLDER MAKE-ENVIRONMENT-TOOL
#   (exit 77: skipped, not root or no unshare)
set -euo pipefail
build=$(realpath "$1") source=$(realpath "$2") make_env=$3

[ "$(id -u)" = 0 ] || { echo "skipped: needs root to hide the build folder"; exit 77; }
command -v unshare >/dev/null || { echo "skipped: unshare is missing"; exit 77; }

work=$(mktemp -d /tmp/quendrel-installed-XXXXXX)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
fail() {
  echo "FAIL: $*" >&2
  [ -f "$work/program.log" ] && { echo "--- program output (last lines)"; tail -40 "$work/program.log"; } >&2
  exit 1
}

cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "the install failed"; }
for f in bin/Quendrel bin/Fennick lib/libombrel.so.1 lib/libtarbolt.so; do
  [ -e "$prefix/$f" ] || fail "the install left out $f"
done
# The program looks for libraries beside itself only: nowhere in the build folder, and no
# empty entry (which would mean the current folder).
for f in bin/Quendrel bin/Fennick lib/libombrel.so.1 lib/libtarbolt.so; do
  path=$(readelf -d "$prefix/$f" | sed -n 's/.*R\(UN\)\?PATH.*\[\(.*\)\]/\2/p')
  if [ "$f" = bin/Quendrel ]; then
    [ "$path" = '$ORIGIN/../lib' ] || fail "$f looks for libraries in \"$path\""
  else
    [ -z "$path" ] || fail "$f looks for libraries in \"$path\""
  fi
done

mkdir "$work/envs"
descriptor=$("$make_env" "$work/envs" 顧客)
lock="$work/envs/顧客/Quendrel.lock"
[ -f "$lock" ] || fail "no lock file at $lock"
printf '[INFORMATION]\r\nOPEN_AUTO=N\r\n[RECENTENV]\r\nRECENTENV0=%s\r\n' "$descriptor" >"$prefix/bin/Quendrel.ini"
mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"

# In the namespace: the build folder and the sources hidden, the program started from the
# prefix, its libraries' origins recorded by the loader, its hold on the environment
# awaited, then ended.
unshare -m bash -s "$build" "$source" "$prefix" "$lock" "$work" <<'INSIDE' || fail "the installed program did not run on its own"
set -euo pipefail
build=$1 source=$2 prefix=$3 lock=$4 work=$5
mount --make-rprivate /
mount -t tmpfs none "$build"
mount -t tmpfs none "$source"
env -i HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" PATH=/usr/bin:/bin LANG=C.UTF-8 TZ=Asia/Tokyo \
  QT_QPA_PLATFORM=offscreen LD_DEBUG=libs LD_DEBUG_OUTPUT="$work/loader" \
  "$prefix/bin/Quendrel" >"$work/program.log" 2>&1 &
pid=$!
inode=$(stat -c %i "$lock")
held=""
for _ in $(seq 300); do
  kill -0 "$pid" 2>/dev/null || { echo "the program ended early"; exit 1; }
  if grep -E "^[0-9]+: FLOCK +ADVISORY +WRITE +$pid +[0-9a-f]+:[0-9a-f]+:$inode " /proc/locks >/dev/null; then held=1; break; fi
  sleep 0.1
done
kill "$pid"
wait "$pid" 2>/dev/null || true
[ -n "$held" ] || { echo "the program did not open the environment"; exit 1; }
grep -h "calling init: .*libombrel" "$work"/loader.* | grep -qF "$prefix/bin/../lib/libombrel.so.1" ||
  { echo "libombrel was not loaded from the prefix"; grep -h "libombrel" "$work"/loader.* | head; exit 1; }
INSIDE
echo "installed copy ran from $prefix"
