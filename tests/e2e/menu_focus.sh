#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The letters that also name menus (Q, S, D, F, H, X) keep playing after every
# way of leaving a menu: a tap of Alt, an item chosen from the keyboard, Escape
# out of a menu opened with Alt or with the mouse. A letter held for 300 ms
# sounds its key for that long and opens nothing; Alt with a letter still
# opens its menu. Runs with or without a window manager on the display.
source "$(dirname "$0")/lib/common.bash"
use_display

launch focus

# Open menus: visible windows of kelodi besides the main window, leaving out
# the keys' tool tips.
popups() {
  local w
  for w in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
    [ "$w" = "$win" ] && continue
    xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q '_TOOLTIP' || echo "$w"
  done
  return 0
}
wait_popup() {
  for _ in $(seq 1 200); do [ -n "$(popups)" ] && return 0; sleep 0.05; done
  fail "$1: no menu opened"
}
wait_no_popup() {
  for _ in $(seq 1 200); do [ -z "$(popups)" ] && return 0; sleep 0.05; done
  fail "$1: the menu stayed open"
}
# Note-on and note-off lines after line $1 of the log: "TIME STATUS NOTE".
notes_after() { tail -n +"$(( $1 + 1 ))" "$log" | awk '$2 == "90" || $2 == "80" {print $1, $2, $3}'; }

# hold LABEL LETTER KEY: holds the letter for 300 ms and expects the four
# notes of KEY (major seventh at octave 0) to sound for that long.
hold() {
  local label=$1 letter=$2 key=$3 mark
  mark=$(wc -l <"$log")
  xdotool keydown "$letter"
  sleep 0.3   # the length of the hold, not a wait
  [ -z "$(popups)" ] || fail "$label: $letter opened a menu"
  xdotool keyup "$letter"
  for _ in $(seq 1 200); do
    [ "$(notes_after "$mark" | wc -l)" -ge 8 ] && break
    sleep 0.05
  done
  local want="" root=$(( 36 + key ))
  for s in 90 80; do
    for step in 0 4 7 11; do want+=$(printf '%s %02X\n' "$s" $(( root + step ))); want+=$'\n'; done
  done
  local got
  got=$(notes_after "$mark" | cut -d' ' -f2-)
  [ "$got" = "${want%$'\n'}" ] || { printf 'expected:\n%sgot:\n%s\n' "$want" "$got"; fail "$label: $letter"; }
  local held
  held=$(notes_after "$mark" | awk '$2 == "90" && !on {on = $1} $2 == "80" && !off {off = $1} END {printf "%.3f", off - on}')
  note "$label: $letter sounded for $held s"
  awk -v h="$held" 'BEGIN {exit !(h >= 0.25)}' || fail "$label: $letter stopped after $held s"
}

note "a tap of Alt, then Q"
xdotool key alt
hold "Alt tap" q 0

note "Alt+D opens the device menu, Return chooses its first item, then Q"
xdotool key alt+d
wait_popup "Alt+D"
xdotool key Return
wait_no_popup "Return"
hold "Alt+D, Return" q 0

note "Alt+S, Escape, Escape, then S"
xdotool key alt+s
wait_popup "Alt+S"
xdotool key Escape
wait_no_popup "Escape"
xdotool key Escape
hold "Alt+S, Escape, Escape" s 11

note "the device menu opened with the mouse, Escape, then D"
xdotool mousemove --window "$win" 95 $(( menu / 2 )) click 1
wait_popup "mouse on MIDI设备(&D)"
xdotool key Escape
wait_no_popup "Escape"
hold "mouse menu, Escape" d 12

note "a key clicked after a menu plays, and so do F, H and X after it"
xdotool key alt+x
wait_popup "Alt+X"
xdotool key Escape
wait_no_popup "Escape"
mark=$(wc -l <"$log")
xdotool mousemove --window "$win" $(( 4 + 28 * 4 + 18 )) $(( menu + 92 + 150 )) click 1
for _ in $(seq 1 200); do [ "$(notes_after "$mark" | wc -l)" -ge 8 ] && break; sleep 0.05; done
[ "$(notes_after "$mark" | awk '{print $2, $3}' | head -n 1)" = "90 2B" ] || fail "click on key 7: $(notes_after "$mark")"
hold "after a click" f 14
hold "after a click" h 17
hold "after a click" x 38

"$TOOLS/wm_delete" "$win"
wait_exit "$pid" 10
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS"
echo "PASS"
