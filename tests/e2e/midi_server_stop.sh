#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# kelodi plays through a JACK port when the JACK server stops answering
# (SIGSTOP): closing the window still ends the program, with the port reset
# and closed in the log, instead of waiting for the server forever; so does
# `kelodi-dzq play --list-devices`. Then a server that dies (SIGKILL) under
# the window and under `kelodi-dzq play`: play says so and fails, the window
# lives on, plays on the mapper and quits normally.
source "$(dirname "$0")/lib/common.bash"
source "$(dirname "$0")/lib/jack.bash"
use_display
private_jack_server kelodi-e2estop

dump_listed() { jack_lsp 2>/dev/null | grep -q '^kelodi-e2e-dump:input$'; }
# more_than COUNT COMMAND...: the number COMMAND prints is above COUNT.
more_than() { local count=$1; shift; [ "$("$@")" -gt "$count" ]; }
dumped_notes() { grep -c 'note on' "$WORK/dump.txt" || true; }
logged_notes() { log_messages "$log" | grep -c '^9' || true; }
no_popup() { ! has_popup; }
start_dump() {
  midi_dump kelodi-e2e-dump >"$WORK/dump.txt" 2>/dev/null &
  dump=$!
  _pids+=("$dump")
  wait_until 30 dump_listed || fail "jack_midi_dump did not start"
}

# choose_port NAME: launches kelodi as NAME and chooses the JACK port in the
# device menu; a key then reaches jack_midi_dump.
choose_port() {
  note "$1: choose the JACK port in the device menu"
  launch "$1"
  # Item 0 is the mapper, 1 the synthesizer, 2 the only MIDI port of this server.
  open_menu alt+d
  xdotool key Down Down Return
  wait_until 30 grep -q '^# open 1$' "$log" || fail "the JACK port was not opened: $(grep '^#' "$log" | tr '\n' '|')"
  xdotool key w
  wait_until 30 grep -q 'note on' "$WORK/dump.txt" || fail "the key did not reach jack_midi_dump"
}

start_dump
choose_port stop

note "stop the server, then close the window"
kill -STOP "$jack"
"$TOOLS/wm_delete" "$win"
# Closing the port gives up on the server after 2 s.
wait_exit "$pid" 30
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS"
[ "$(tail -n 2 "$log" | tr '\n' '|')" = "# reset|# close|" ] || fail "log does not end with reset, close"

note "list the devices while the server is stopped"
# No sound server but the stopped JACK one answers, so the synthesizer's
# audio output tries JACK's; every call to the server gives up after 2 s.
start=$(date +%s)
PULSE_SERVER=unix:/nonexistent/kelodi-pulse timeout 120 "$BIN/kelodi-dzq" play --list-devices >"$WORK/list.txt" 2>"$WORK/list.err" \
  || fail "play --list-devices failed or hung (status $?): $(grep -v ALSA "$WORK/list.err" | tail -n 3)"
took=$(( $(date +%s) - start ))
note "play --list-devices ended after ${took} s"
[ "$took" -lt 60 ] || fail "play --list-devices took ${took} s"
grep -q '^-1'$'\t' "$WORK/list.txt" || fail "no device list: $(cat "$WORK/list.txt")"

note "a server that dies under the window and under play"
# A server of another name: clients left over from the first one (the dump
# still shutting down, say) share JACK's semaphores with the clients of a
# server of the same name and the same client names.
kill "$dump" 2>/dev/null || true
end_server
private_jack_server kelodi-e2edeath
start_dump
choose_port death
device=$("$BIN/kelodi-dzq" play --list-devices 2>/dev/null | awk -F'\t' '$2 == "kelodi-e2e-dump:input" {print $1}')
[ -n "$device" ] || fail "the dump's port is not listed for play"
{
  printf '琴键倍数:1\r\n'
  for i in $(seq 1 200); do printf '0.1,C|0.1,抬起|\r\n'; done
} | iconv -f UTF-8 -t GBK >"$WORK/long.dzq"
"$BIN/kelodi-dzq" play "$WORK/long.dzq" --device "$device" 2>"$WORK/play.err" &
player=$!
_pids+=("$player")
wait_until 30 more_than $(( $(dumped_notes) + 2 )) dumped_notes || fail "play did not start"
kill -KILL "$jack"
wait "$jack" 2>/dev/null || true
killed=$(date +%s)
# play stops and says why (the score would go on for 40 s).
wait_exit "$player" 30
[ "$EXIT_STATUS" = 2 ] || fail "play after the server died: status $EXIT_STATUS"
grep -q "^kelodi-dzq: device $device (kelodi-e2e-dump:input) went away during playback$" "$WORK/play.err" \
  || fail "play did not say why: $(grep -v ALSA "$WORK/play.err" | tail -n 3)"
# The window says the device is gone and lives on.
wait_until 30 has_popup || fail "the loss of the device was not reported"
xdotool key Return
wait_until 30 no_popup || fail "the message box did not close"
# Choosing the dead device at once, while the port's close may still be
# under way, opens a JACK client (libjack then frees the others): it is
# refused, and nothing of the old port is called.
focus "$win"
open_menu alt+d
xdotool key Down Down Return
wait_until 30 has_popup || fail "choosing the dead device said nothing"
while [ $(( $(date +%s) - killed )) -lt 15 ]; do
  kill -0 "$pid" 2>/dev/null || fail "kelodi ended $(( $(date +%s) - killed )) s after its JACK server died"
  sleep 1
done
note "kelodi lives 15 s after its JACK server died"
xdotool key Return
wait_until 30 no_popup || fail "the message box did not close"
focus "$win"
open_menu alt+d
xdotool key Return
wait_until 30 grep -q '^# open -1$' "$log" || fail "the mapper was not opened: $(grep '^#' "$log" | tr '\n' '|')"
notes=$(logged_notes)
xdotool key w
wait_until 30 more_than "$notes" logged_notes || fail "a key on the mapper did not play"
"$TOOLS/wm_delete" "$win"
wait_exit "$pid" 30
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS after the server died"
echo "midi_server_stop: all checks passed"
