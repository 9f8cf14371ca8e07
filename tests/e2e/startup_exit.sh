#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# kelodi starts, opens the mapper, sends the reset burst and the start
# instrument before any input, and ends with status 0 through the close box and
# through File > 退出(&E), with the port reset and closed last.
source "$(dirname "$0")/lib/common.bash"
use_display

expected_burst() {
  local programs=(0 1 24 34 48 50 52 61 80 0 85 89 91 97 101 102)
  for c in $(seq 0 15); do
    printf 'C%X %02X 00 00\n' "$c" "${programs[$c]}"
    printf 'B%X 07 64 00\nB%X 0A 40 00\nB%X 5B 00 00\nB%X 5D 00 00\nB%X 01 00 00\nB%X 40 00 00\n' \
      "$c" "$c" "$c" "$c" "$c" "$c"
  done
  echo "C0 09 00 00"
}
expected_burst >"$WORK/expected"

start_kelodi() {
  launch "$1"
  [ "$(xdotool getwindowname "$win")" = "Kelodi 7.90" ] || fail "$1: caption is '$(xdotool getwindowname "$win")'"
  [ "$(head -n 1 "$WORK/$1.log")" = "# open -1" ] || fail "$1: log does not start with '# open -1'"
  log_messages "$WORK/$1.log" | head -n 113 >"$WORK/$1.burst"
  diff -u "$WORK/expected" "$WORK/$1.burst" || fail "$1: start-up messages differ"
}

check_shutdown() {
  wait_exit "$pid" 10
  [ "$EXIT_STATUS" = 0 ] || fail "$1: exit status $EXIT_STATUS"
  [ "$(tail -n 2 "$WORK/$1.log" | tr '\n' '|')" = "# reset|# close|" ] || fail "$1: log does not end with reset, close"
}

note "close box"
start_kelodi closebox
"$TOOLS/wm_delete" "$win"
check_shutdown closebox

note "File > 退出(&E)"
start_kelodi menu
open_menu alt+f
xdotool key e
check_shutdown menu

failed_start() {  # failed_start NAME ARGS...: the error box, then a non-zero exit, no window
  local name=$1; shift
  "$BIN/kelodi" "$@" --midi-log "$WORK/$name.log" >"$WORK/$name.stdout" 2>"$WORK/$name.out" &
  pid=$!
  _pids+=("$pid")
  box=$(wait_window '^Tinsyn - Error$' 30) || {
    kill -0 "$pid" 2>/dev/null && fail "$name: no error box within 30 s (still running): $(cat "$WORK/$name.out")"
    fail "$name: no error box; the program ended first: $(cat "$WORK/$name.out")"
  }
  xdotool search --onlyvisible --name '^Kelodi' >/dev/null 2>&1 && fail "$name: a main window appeared"
  focus "$box"
  xdotool key Return
  wait_exit "$pid" 10
  [ "$EXIT_STATUS" != 0 ] || fail "$name: exit status 0 after a failed start"
}

# says_why NAME TEXT...: each TEXT is in what the failed start printed.
says_why() {
  local name=$1; shift
  for text in "$@"; do
    grep -qF -- "$text" "$WORK/$name.out" || fail "$name: stderr does not say '$text'"
  done
}

note "no MIDI output at all: no SoundFont, no JACK server, no ALSA sequencer"
JACK_DEFAULT_SERVER="kelodi-absent-$$" failed_start none --soundfont /nonexistent/none.sf2
[ ! -s "$WORK/none.log" ] || fail "none: something was logged: $(cat "$WORK/none.log")"
says_why none "Unable to detect any midi output devices." /nonexistent/none.sf2 fluid-soundfont-gm

note "the mapper cannot be opened: the synthesizer has no audio output"
failed_start mute --audio-driver no-such-driver
[ "$(cat "$WORK/mute.log")" = "# open-failed -1" ] || fail "mute: log is '$(cat "$WORK/mute.log")'"
says_why mute "Unable to open midi output device." "no-such-driver" "--audio-file"

note "the forced audio driver is real but has nothing to play on"
JACK_DEFAULT_SERVER="kelodi-absent-$$" failed_start jackless --audio-driver jack
says_why jackless "Unable to open midi output device." "jack：" "--audio-file" "PulseAudio/PipeWire"
echo "PASS"
