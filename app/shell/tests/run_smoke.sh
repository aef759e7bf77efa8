#!/usr/bin/env bash
# The program as a person without a display starts it: scripts/run.sh starts a virtual
# display with a VNC server on localhost, the program opens its most recent environment
# and shows its window there, and everything stops when the window is closed.
#
#   run_smoke.sh REPOSITORY MAKE-ENVIRONMENT-TOOL
set -euo pipefail
repo=$1 make_env=$2
program_dir="$repo/build/bin"
ini="$program_dir/Quendrel.ini"

work=$(mktemp -d)
backup=""
if [ -f "$ini" ]; then backup="$work/Quendrel.ini.saved"; cp "$ini" "$backup"; fi
run_pid=""
cleanup() {
  [ -n "$run_pid" ] && kill "$run_pid" 2>/dev/null || true
  if [ -n "$backup" ]; then cp "$backup" "$ini"; else rm -f "$ini"; fi
  rm -rf "$work"
}
trap cleanup EXIT

descriptor=$("$make_env" "$work" smoke)
# The program ini beside the program names the environment and skips the maker's site.
printf '[INFORMATION]\r\nOPEN_AUTO=N\r\n[RECENTENV]\r\nRECENTENV0=%s\r\n' "$descriptor" > "$ini"

# Starts the program through run.sh, closes what a new environment greets the person with,
# and closes the window with the window manager's Alt+F4. $1: "first" for the first start.
start_and_close() {
  log="$work/run.log"
  env -u DISPLAY -u WAYLAND_DISPLAY bash "$repo/scripts/run.sh" > "$log" 2>&1 &
  run_pid=$!

  display=""
  for _ in $(seq 600); do
    display=$(sed -n 's/.*runs on the virtual display \(:[0-9]*\)\..*/\1/p' "$log" | head -1)
    [ -n "$display" ] && break
    kill -0 "$run_pid" 2>/dev/null || { cat "$log"; echo "run.sh ended early"; exit 1; }
    sleep 0.5
  done
  [ -n "$display" ] || { cat "$log"; echo "no virtual display announced"; exit 1; }
  grep -q "localhost:59" "$log" || { cat "$log"; echo "no VNC address printed"; exit 1; }

  window=""
  for _ in $(seq 300); do
    window=$(DISPLAY=$display xdotool search --onlyvisible --name '^Varnis\[smoke\]' 2>/dev/null | head -1 || true)
    [ -n "$window" ] && break
    sleep 0.2
  done
  [ -n "$window" ] || { cat "$log"; echo "the program's window did not show"; exit 1; }

  # A new environment greets the person with the setup wizard and, over it, its guidance
  # (both titled 初期設定ウィザード): the person closes them first, with Escape.
  wizard_title='^初期設定ウィザード$'
  shown=""
  for _ in $(seq 50); do
    if DISPLAY=$display xdotool search --onlyvisible --name "$wizard_title" >/dev/null 2>&1; then shown=1; break; fi
    sleep 0.2
  done
  [ -n "$shown" ] || [ "$1" != first ] || { cat "$log"; echo "the setup wizard of the new environment did not show"; exit 1; }
  for _ in $(seq 20); do
    wizard=$(DISPLAY=$display xdotool search --onlyvisible --name "$wizard_title" 2>/dev/null | tail -1 || true)
    [ -n "$wizard" ] || break
    DISPLAY=$display timeout 5 xdotool windowactivate --sync "$wizard" >/dev/null 2>&1 || true
    DISPLAY=$display xdotool key Escape 2>/dev/null || true
    sleep 0.3
  done
  if DISPLAY=$display xdotool search --onlyvisible --name "$wizard_title" >/dev/null 2>&1; then
    cat "$log"; echo "the setup wizard did not close"; exit 1
  fi

  # The VNC server must listen on the loopback interface only.
  port=$(sed -n 's/.*localhost:\(59[0-9]*\).*/\1/p' "$log" | head -1)
  if command -v ss >/dev/null; then
    if ss -ltn "sport = :$port" | awk 'NR>1 {print $4}' | grep -qv '^127\.0\.0\.1:\|^\[::1\]:'; then
      ss -ltn "sport = :$port"; echo "VNC listens beyond localhost"; exit 1
    fi
  fi

  # Close the window as a person would: the window manager's Alt+F4 (once the window
  # manager has come up and can activate the window).
  activated=""
  for _ in $(seq 100); do
    if DISPLAY=$display timeout 5 xdotool windowactivate --sync "$window" >/dev/null 2>&1; then activated=1; break; fi
    sleep 0.2
  done
  [ -n "$activated" ] || { cat "$log"; echo "the window could not be activated"; exit 1; }
  # The program may end (and run.sh take the display down) before xdotool has let go of
  # the keys, which xdotool then reports as a failure.
  DISPLAY=$display xdotool key --clearmodifiers alt+F4 2>/dev/null || true
  for _ in $(seq 100); do
    kill -0 "$run_pid" 2>/dev/null || break
    sleep 0.2
  done
  if kill -0 "$run_pid" 2>/dev/null; then cat "$log"; echo "the program did not end"; exit 1; fi
  wait "$run_pid" || { cat "$log"; echo "run.sh failed"; exit 1; }
  run_pid=""
  if [ -e "/tmp/.X11-unix/X${display#:}" ]; then echo "the virtual display was left running"; exit 1; fi
  echo "ok: window shown on $display and closed"
}

# The window's outer rectangle as the environment saved it when the window closed.
saved_rect() { tr -d '\r' < "$work/smoke/QuendrelT.ini" | sed -n '/^\[MAINFRAMEINFO\]/,/^\[/p' | grep -E '^(LEFT|TOP|RIGHT|BOTTOM)='; }

start_and_close first
first_rect=$(saved_rect)
# A second start puts the window where it was: the frame, not the inside, on the saved
# corner, with the saved size (else the window creeps by its title bar at every start).
start_and_close again
second_rect=$(saved_rect)
if [ -z "$first_rect" ] || [ "$first_rect" != "$second_rect" ]; then
  echo "the window moved or changed size between starts: [$first_rect] then [$second_rect]"; exit 1
fi
