#!/usr/bin/env bash
# The program as an ordinary user meets it on a desktop: the real program, run as a user
# who cannot write the program's folder ("nobody", with a home of its own), on a virtual
# display with a window manager (openbox), driven with the keyboard and the mouse through
# xdotool, the window manager's view read with xprop and xwininfo.
#
#  1. The first start makes the environment in the user's data folder
#     (~/.local/share/quendrel), private to the user.
#  2. The status window of a run, and the question the run asks over it, belong to the
#     main window: after a click on the main window the status window is still above it.
#  3. A place that cannot be made is told (環境作成エラー) and the dialog stays open.
#  4. Resized, maximised and quit, the window starts maximised and, restored, comes back
#     at the size and place it had before it was maximised.
#
#   desktop_session.sh PROGRAM        (exit 77: skipped, not root or no openbox)
set -euo pipefail
program=$(realpath "$1")
user=65534

[ "$(id -u)" = 0 ] || { echo "skipped: needs root to run the program as another user"; exit 77; }
for tool in Xvfb openbox xdotool xprop xwininfo setpriv; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done
setpriv --reuid=$user --regid=$user --clear-groups test -x "$program" ||
  { echo "skipped: the program cannot be run by another user from here"; exit 77; }

work=$(mktemp -d)
chmod 755 "$work"
home="$work/home"
mkdir "$home"
chown $user:$user "$home"
data="$home/.local/share/quendrel"
log="$work/program.log"

pids=()
program_pid=""
cleanup() {
  [ -z "$program_pid" ] || kill "$program_pid" 2>/dev/null || true
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Also from inside $(...): the message goes to standard error, and set -e ends the script
# when the command substitution fails.
fail() {
  {
    echo "FAIL: $*"
    [ -f "$log" ] && { echo "--- program output"; cat "$log"; }
  } >&2
  exit 1
}

display=99
while [ -e "/tmp/.X${display}-lock" ] || [ -e "/tmp/.X11-unix/X${display}" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X${display}" ] && break; sleep 0.05; done
export DISPLAY=":$display"
openbox >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done

start_program() {
  setpriv --reuid=$user --regid=$user --clear-groups \
    env -i HOME="$home" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin LANG=C.UTF-8 TZ=Asia/Tokyo "$program" >>"$log" 2>&1 &
  program_pid=$!
}

# The id of the shown window whose title matches $1 (an extended regular expression).
window_of() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true; }
wait_window() {
  local w=""
  for _ in $(seq "${2:-100}"); do
    w=$(window_of "$1")
    [ -n "$w" ] && { echo "$w"; return; }
    sleep 0.1
  done
  fail "no window titled $1"
}
# Gives the window $1 the keyboard and types the keys that follow.
keys() {
  local w=$1
  shift
  xdotool windowactivate --sync "$w" >/dev/null 2>&1 || true
  xdotool key --clearmodifiers "$@"
}
hex() { printf '0x%x' "$1"; }
transient_for() { xprop -id "$1" WM_TRANSIENT_FOR | sed -n 's/.*window id # \(0x[0-9a-f]*\).*/\1/p'; }
# Position in the window manager's stacking order, bottom first.
stacking_index() {
  xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //' | tr ',' '\n' | tr -d ' ' | grep -n -x "$(hex "$1")" |
    cut -d: -f1
}
# "X Y W H" of the inside of window $1.
geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} /Width:/{w=$NF}
    /Height:/{h=$NF} END{print x, y, w, h}'
}
maximized() { xprop -id "$1" _NET_WM_STATE | grep -q _NET_WM_STATE_MAXIMIZED_HORZ; }
# Double-clicks the title bar of window $1: the window manager's maximise and restore.
toggle_maximize() {
  local x y w h top
  read -r x y w h < <(geometry "$1")
  top=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //' | cut -d, -f3 | tr -d ' ')
  xdotool mousemove $((x + w / 2)) $((y - top / 2)) click --repeat 2 --delay 80 1
}
quit_program() {
  keys "$1" alt+f
  sleep 0.3
  xdotool key x
  for _ in $(seq 100); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$program_pid" 2>/dev/null && fail "the program did not end"
  wait "$program_pid" || true
  program_pid=""
}
# Closes the setup wizard a new environment greets the person with (and its guidance).
close_wizard() {
  wait_window '^初期設定ウィザード$' 100 >/dev/null
  for _ in $(seq 10); do
    w=$(xdotool search --onlyvisible --name '^初期設定ウィザード$' 2>/dev/null | tail -1 || true)
    [ -n "$w" ] || return 0
    keys "$w" Escape
    sleep 0.3
  done
  fail "the setup wizard did not close"
}

# 1. The first start, as a user who cannot write the program's folder.
start_program
w=$(wait_window '^Varnisの起動環境の選択$' 300)
keys "$w" space                                 # 新しく環境を作成して起動する
w=$(wait_window '^新規環境作成$')
xdotool windowactivate --sync "$w"
xdotool type --delay 20 office
xdotool key Return                              # OK, at the default place
w=$(wait_window '^ディレクトリ作成の確認$')
keys "$w" Return                                # はい: the place is made
w=$(wait_window '^環境作成の確認$')
keys "$w" Return
main=$(wait_window '^Varnis\[office\]' 300)
close_wizard
[ -f "$data/office.env" ] && [ -d "$data/office/DB" ] || fail "the environment is not in the user's data folder"
for path in "$home/.local" "$home/.local/share" "$data" "$data/office" "$data/office.env"; do
  owner_mode=$(stat -c '%u %a' "$path")
  case "$path" in *.env) want="$user 600" ;; *) want="$user 700" ;; esac
  [ "$owner_mode" = "$want" ] || fail "$path is '$owner_mode', not '$want'"
done
echo "ok: the first start made the environment in $data"

# 2. The status window over the main window, and the run's question over the status window.
keys "$main" alt+s
sleep 0.3
xdotool key Return                              # 受信
status=$(wait_window '^Varnis メール送受信状況$')
question=$(wait_window '^受信パスワードの入力$')
[ "$(transient_for "$status")" = "$(hex "$main")" ] || fail "the status window does not belong to the main window"
[ "$(transient_for "$question")" = "$(hex "$status")" ] || fail "the run's question does not belong to the status window"
keys "$question" Escape                         # no password: the run ends failed, the window stays
for _ in $(seq 50); do [ -z "$(window_of '^受信パスワードの入力$')" ] && break; sleep 0.1; done
read -r mx my mw mh < <(geometry "$main")
read -r sx sy sw sh < <(geometry "$status")
# A click on the main window beside the status window, then the window manager's own
# activation of the main window.
if [ $((sx - mx)) -gt 40 ]; then click_x=$((mx + 20)); else click_x=$((mx + mw - 20)); fi
xdotool mousemove "$click_x" $((my + mh - 40)) click 1
sleep 0.5
[ "$(stacking_index "$status")" -gt "$(stacking_index "$main")" ] || fail "a click on the main window hid the status window"
xdotool windowactivate --sync "$main"
sleep 0.5
[ "$(stacking_index "$status")" -gt "$(stacking_index "$main")" ] || fail "the main window came over the status window"
keys "$status" Escape                           # 閉じる
echo "ok: the status window stays above the main window"

# 3. A place the user cannot write: told, and the dialog stays for another place.
mkdir "$work/root-owned"
keys "$main" alt+f
sleep 0.3
xdotool key n                                   # 新規環境作成
w=$(wait_window '^新規環境作成$')
xdotool windowactivate --sync "$w"
xdotool type --delay 20 second
xdotool key Tab ctrl+a
xdotool type --delay 10 "$work/root-owned"
xdotool key Return
error=$(wait_window '^環境作成エラー$')
keys "$error" Return
sleep 0.3
[ -n "$(window_of '^新規環境作成$')" ] || fail "the new-environment dialog closed after the failure"
[ -z "$(ls -A "$work/root-owned")" ] || fail "something was made in a place the user cannot write"
keys "$(window_of '^新規環境作成$')" Escape
echo "ok: a place that cannot be made is told and the dialog stays"

# 4. Resized, maximised, quit; started again maximised; restored to the size before.
xdotool windowmove --sync "$main" 150 120 2>/dev/null || xdotool windowmove "$main" 150 120
xdotool windowsize --sync "$main" 1100 700 2>/dev/null || xdotool windowsize "$main" 1100 700
sleep 0.5
before=$(geometry "$main")
[ "$(echo "$before" | cut -d' ' -f3-)" = "1100 700" ] || fail "the window could not be resized: $before"
toggle_maximize "$main"
for _ in $(seq 30); do maximized "$main" && break; sleep 0.1; done
maximized "$main" || fail "the window did not maximise"
quit_program "$main"
start_program
main=$(wait_window '^Varnis\[office\]' 300)
for _ in $(seq 30); do maximized "$main" && break; sleep 0.1; done
maximized "$main" || fail "the window did not start maximised"
toggle_maximize "$main"
for _ in $(seq 30); do maximized "$main" || break; sleep 0.1; done
sleep 0.5
after=$(geometry "$main")
[ "$after" = "$before" ] || fail "restored after a new start the window is at $after, not at $before"
quit_program "$main"
echo "ok: restored after a new start the window is where it was before it was maximised ($after)"
