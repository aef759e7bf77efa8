#!/usr/bin/env bash
# Runs the program: installs what a fresh machine lacks, builds what changed, and starts
# Quendrel with the arguments given (an optional mail-body file and import file).
#
# Without a display (neither DISPLAY nor WAYLAND_DISPLAY set) it starts a virtual display
# (Xvfb) with a small window manager and a VNC server that listens on localhost only, and
# prints how to reach it; both are stopped when the program ends.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/ensure-build.sh Quendrel
program="$PWD/build/bin/Quendrel"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$program" "$@"
fi

# A free display number: the first without a lock file or socket.
display=99
while [ -e "/tmp/.X${display}-lock" ] || [ -e "/tmp/.X11-unix/X${display}" ]; do
  display=$((display + 1))
done
# A free VNC port from 5900 on.
port=5900
while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do
  port=$((port + 1))
done

pids=()
program_pid=""
cleanup() {
  [ -z "$program_pid" ] || kill "$program_pid" 2>/dev/null || true
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT INT TERM

Xvfb ":$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X${display}" ] && break
  sleep 0.05
done
export DISPLAY=":$display"
if command -v openbox >/dev/null; then
  openbox >/dev/null 2>&1 &
  pids+=($!)
fi
x11vnc -display "$DISPLAY" -localhost -rfbport "$port" -forever -shared -nopw -quiet >/dev/null 2>&1 &
pids+=($!)

cat >&2 <<MSG
No display here: the program runs on the virtual display $DISPLAY.
Connect a VNC viewer to localhost:$port (the server listens on this machine only).
From another machine, forward the port first:
    ssh -L $port:localhost:$port <user>@<this machine>
and then connect the viewer to localhost:$port there.
The virtual display and the VNC server stop when the program ends.
MSG

# Waited for in the background: bash runs a trap only once the command in the foreground
# has ended, so a TERM sent to this script would otherwise leave the program and the
# display running.
"$program" "$@" &
program_pid=$!
wait "$program_pid"
