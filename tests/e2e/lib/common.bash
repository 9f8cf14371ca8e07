# SPDX-License-Identifier: GPL-3.0-or-later
# Helpers for the end-to-end scripts. Source it with the bin folder as $1.
set -euo pipefail

BIN=${1:?usage: $0 BIN_DIR}
# Test tools (wm_delete) are built outside bin/.
TOOLS=${KELODI_TEST_TOOLS:-$BIN/../tests}
WORK=$(mktemp -d "${TMPDIR:-/tmp}/kelodi-e2e.XXXXXX")
_pids=()

# KELODI_E2E_LOG_DIR=DIR keeps the MIDI logs of the run in DIR/SCRIPT/, so two
# builds can be compared message by message, and the shots a script took.
_keep_logs() {
  [ -n "${KELODI_E2E_LOG_DIR:-}" ] || return 0
  local dest
  dest="$KELODI_E2E_LOG_DIR/$(basename "$0" .sh)"
  mkdir -p "$dest" && cp "$WORK"/*.log "$dest"/ 2>/dev/null || true
  cp "$WORK"/*.png "$dest"/ 2>/dev/null || true
}

_cleanup() {
  for p in "${_pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  _keep_logs
  rm -rf "$WORK"
}
trap _cleanup EXIT

fail() {
  [ -n "${KELODI_E2E_SHOT:-}" ] && import -window root "$KELODI_E2E_SHOT" 2>/dev/null

  echo "FAIL: $*" >&2
  for f in "$WORK"/*.out; do [ -f "$f" ] && { echo "== $f" >&2; grep -v -i -E "jack|alsa|^$|socket|request channel" "$f" | tail -n 20 >&2; }; done
  exit 1
}
note() { echo "-- $*"; }

# A display for the test: the suite's private X server, or one of our own.
use_display() {
  if [ -n "${KELODI_TEST_DISPLAY:-}" ]; then
    export DISPLAY=$KELODI_TEST_DISPLAY
  else
    local d=$(( 200 + RANDOM % 500 ))
    Xvfb ":$d" -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    _pids+=($!)
    export DISPLAY=":$d"
    for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$d" ] && break; sleep 0.1; done
  fi
  export QT_QPA_PLATFORM=xcb
}

# wait_window NAME [SECONDS] -> prints the id of the newest visible window whose
# title matches NAME.
wait_window() {
  local name=$1 limit=${2:-20} id=""
  for _ in $(seq 1 $((limit * 10))); do
    id=$(xdotool search --onlyvisible --name "$name" 2>/dev/null | tail -n 1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# wait_exit PID [SECONDS]: waits for the process to end and sets EXIT_STATUS.
# (Not usable in $(...): only this shell can wait for its own children.)
wait_exit() {
  local pid=$1 limit=${2:-20}
  for _ in $(seq 1 $((limit * 10))); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "process $pid still running after ${limit}s"
  EXIT_STATUS=0
  wait "$pid" || EXIT_STATUS=$?
}

# wait_lines FILE COUNT [SECONDS]: until FILE has at least COUNT lines.
wait_lines() {
  local file=$1 count=$2 limit=${3:-20}
  for _ in $(seq 1 $((limit * 10))); do
    [ -f "$file" ] && [ "$(wc -l <"$file")" -ge "$count" ] && return 0
    sleep 0.1
  done
  return 1
}

# wait_until SECONDS COMMAND...: until COMMAND succeeds; status 1 when the
# time runs out first. The time is a generous bound, never a pace.
wait_until() {
  local limit=$1; shift
  for _ in $(seq 1 $((limit * 20))); do
    "$@" && return 0
    sleep 0.05
  done
  "$@"
}

# The visible windows of the running kelodi ($pid) besides its main window
# ($win): menus, message boxes, dialogs. Tool tips do not count.
popup_windows() {
  local w
  for w in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
    [ "$w" = "$win" ] && continue
    xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _TOOLTIP || echo "$w"
  done
  return 0
}
has_popup() { [ -n "$(popup_windows)" ]; }

# open_menu KEY: opens a menu of the main window with its access key and waits
# until the menu shows, so that the next key goes to the menu and not to the
# keyboard.
open_menu() {
  xdotool key "$1"
  wait_until 30 has_popup || fail "the menu of $1 did not open"
}

# choose_item KEY ITEM_KEYS...: opens a menu with its access key, types the
# keys that choose the item once it shows, and waits for the menu to go
# (other windows of the program may stay open meanwhile).
choose_item() {
  local before popup=""
  before=$(popup_windows | sort)
  xdotool key "$1"
  shift
  _menu_shown() { popup=$(comm -13 <(echo "$before") <(popup_windows | sort) | head -n 1); [ -n "$popup" ]; }
  wait_until 30 _menu_shown || fail "the menu did not open"
  xdotool key "$@"
  _menu_gone() { ! popup_windows | grep -qx "$popup"; }
  wait_until 30 _menu_gone || fail "the menu did not close"
}

# Message lines of a MIDI log, without the time stamps.
log_messages() { grep -v '^#' "$1" | cut -d' ' -f2-; }

# launch NAME [PROGRAM [OPTION...]]: starts kelodi (or a copy of it) with a
# MIDI log and an audio file in $WORK and the options given, waits for its
# window and its start-up burst, and gives it the focus. Sets pid, win, log and
# menu (the menu bar's height).
launch() {
  local name=$1 program=${2:-$BIN/kelodi}
  shift $(( $# < 2 ? $# : 2 ))
  log="$WORK/$name.log"
  "$program" --midi-log "$log" --audio-file "$WORK/$name.wav" "$@" >"$WORK/$name.out" 2>&1 &
  pid=$!
  _pids+=("$pid")
  win=$(wait_window '^Kelodi 7\.90' 60) || { describe_stuck "$pid" >&2; fail "$name: no main window"; }
  wait_lines "$log" 114 60 || fail "$name: start-up burst incomplete"
  focus "$win"
  local height
  height=$(xdotool getwindowgeometry --shell "$win" | awk -F= '/HEIGHT/{print $2}')
  menu=$(( height - 353 ))
}

# describe_stuck PID: what a program that did not come up was doing: ended
# (and how), or the stacks of its threads and the windows it has.
describe_stuck() {
  local pid=$1
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid" 2>/dev/null && echo "== process $pid ended with 0" || echo "== process $pid ended with $?"
    return 0
  fi
  echo "== process $pid is running; its windows:"
  for w in $(xdotool search --pid "$pid" 2>/dev/null); do
    echo "$w $(xdotool getwindowname "$w" 2>/dev/null) $(xwininfo -id "$w" 2>/dev/null | grep 'Map State')"
  done
  command -v gdb >/dev/null || return 0
  echo "== its threads:"
  timeout 60 gdb -p "$pid" -batch -nx -ex 'set pagination off' -ex 'thread apply all bt 25' 2>/dev/null \
    | grep -E '^(Thread|#)' | head -n 200
}

focus() { xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"; sleep 0.2; }

# A display of the script's own even inside the suite, for a test that needs
# a window manager (which would change the other tests' conditions on the
# shared display). Xvfb picks a free display number itself.
use_own_display() {
  local displayfile="$WORK/xvfb.display" number=""
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$displayfile" >"$WORK/xvfb.out" 2>&1 &
  _pids+=($!)
  for _ in $(seq 1 300); do
    number=$(tr -dc '0-9' <"$displayfile" 2>/dev/null || true)
    [ -n "$number" ] && break
    sleep 0.1
  done
  [ -n "$number" ] || fail "Xvfb did not start"
  export DISPLAY=":$number" QT_QPA_PLATFORM=xcb
}

# start_window_manager: openbox on $DISPLAY, waited for until it manages the
# screen.
start_window_manager() {
  command -v openbox >/dev/null || fail "openbox is not installed (scripts/install-deps test)"
  openbox --sm-disable >"$WORK/openbox.out" 2>&1 &
  _pids+=($!)
  wait_until 30 eval 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' \
    || fail "openbox did not start"
}

# choose_menu_item LETTER ITEM_KEYS...: opens a menu of kelodi ($pid) by its
# access key and, once it shows, types the keys that choose the item, then
# waits for the menu to go.
windows_of_kelodi() { xdotool search --onlyvisible --pid "$pid" 2>/dev/null | sort; }
choose_menu_item() {
  local before popup=""
  before=$(windows_of_kelodi)
  xdotool key "alt+$1"
  popup_shown() { popup=$(comm -13 <(echo "$before") <(windows_of_kelodi) | head -n 1); [ -n "$popup" ]; }
  wait_until 5 popup_shown || fail "menu alt+$1 did not open"
  shift
  xdotool key "$@"
  popup_gone() { ! windows_of_kelodi | grep -qx "$popup"; }
  wait_until 5 popup_gone || fail "menu alt+$1 did not close"
}

# button NAME: clicks a button of the recorder row in the main window's bottom
# frame (start, end, replay, stop, save, play-file).
button() {
  local left
  case $1 in start) left=24 ;; end) left=124 ;; replay) left=228 ;; stop) left=332 ;; save) left=440 ;; play-file) left=572 ;;
    *) fail "no button $1" ;; esac
  xdotool mousemove --window "$win" $(( 12 + left + 40 )) $(( menu + 292 + 4 + 12 )) click 1
}

# confirm DIALOG: Return in the file dialog until it closes. Its completion
# list fills in the background and, popping up late on a busy machine, takes
# a Return for itself; the next one then goes to the dialog.
viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
hidden() { ! viewable "$1"; }
confirm() {
  local dialog=$1
  for _ in $(seq 1 10); do
    viewable "$dialog" || return 0
    focus "$dialog"
    xdotool key Return
    wait_until 5 hidden "$dialog" && return 0
  done
  fail "the file dialog did not close"
}

# recording_file NAME: in the recorder row's file dialog (录制文件), which
# opens in the recordings folder, chooses the file NAME there. The name is
# typed without the folder's Chinese letters, which xdotool types by
# remapping a key for the moment, and a busy machine may read the key before
# or after that.
recording_file() {
  local dialog
  dialog=$(wait_window '^录制文件$' 30) || fail "no file dialog"
  focus "$dialog"
  xdotool type --delay 20 "$1"
  confirm "$dialog"
}

# key_spot KEY: "X Y", a pixel inside the visible part of key 0..43 in the
# main window ($win, with the menu bar's height $menu), clear of the labels
# and the guide letter. The geometry is the keys' own (key_geometry.h): white
# keys 37 x 194 from left 4 every 28 pixels, black keys 30 x 118 standing 12
# pixels left of the next white key, all at top 92, showing 5 pixels inside.
key_spot() {
  local key=$1 white=(0 -1 1 -1 2 3 -1 4 -1 5 -1 6)
  local k=$key
  [ "${white[$((key % 12))]}" -lt 0 ] && k=$((key + 1))
  local left=$(( 4 + 28 * (7 * (k / 12) + ${white[$((k % 12))]}) ))
  if [ "$k" = "$key" ]; then
    echo "$((left + 18)) $((menu + 92 + 165))"
  else
    echo "$((left - 12 + 15)) $((menu + 92 + 20))"
  fi
}

# pixel_colour IMAGE X Y: the colour of a pixel of the image file IMAGE as
# #RRGGBB.
pixel_colour() {
  convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}' | head -n 1
}
