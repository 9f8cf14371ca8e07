#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# kelodi plays through a JACK port when the JACK server stops answering
# (SIGSTOP): closing the window still ends the program, with the port reset
# and closed in the log, instead of waiting for the server forever.
source "$(dirname "$0")/lib/common.bash"
if ! command -v jackd >/dev/null || ! command -v jack_midi_dump >/dev/null; then
  echo "SKIP: jackd or jack_midi_dump missing"
  exit 77
fi
use_display

# A server of our own, never the suite's shared one. Its name comes from a
# pool and is locked while in use (see scripts/run-tests for why a pool).
export JACK_NO_AUDIO_RESERVATION=1
server=""
for slot in 0 1 2 3 4 5 6 7; do
  exec {lock}>"/tmp/kelodi-jack-kelodi-e2estop-$slot.lock"
  if flock -n "$lock"; then
    server="kelodi-e2estop-$slot"
    break
  fi
  exec {lock}>&-
done
[ -n "$server" ] || { echo "SKIP: every server name is in use"; exit 77; }
export JACK_DEFAULT_SERVER=$server

server_up() {
  for _ in $(seq 1 100); do
    jack_lsp >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}
jackd --no-realtime -d dummy -r 48000 -p 256 >"$WORK/jackd.log" 2>&1 &
jack=$!
# A stopped server ends slowly, so it is killed; a killed server keeps its
# entry in JACK's registry until a server of the same name starts and ends.
end_server() {
  kill -KILL "$jack" 2>/dev/null || true
  wait "$jack" 2>/dev/null || true
  jackd --no-realtime -d dummy -r 48000 -p 256 >/dev/null 2>&1 &
  local again=$!
  server_up || true
  kill "$again" 2>/dev/null || true
  wait "$again" 2>/dev/null || true
}
trap 'end_server; _cleanup' EXIT
server_up || { echo "SKIP: jackd -d dummy did not start"; exit 77; }

jack_midi_dump kelodi-e2e-dump >"$WORK/dump.txt" 2>/dev/null &
_pids+=($!)
for _ in $(seq 1 100); do
  jack_lsp 2>/dev/null | grep -q '^kelodi-e2e-dump:input$' && break
  sleep 0.1
done

note "choose the JACK port in the device menu"
launch stop
# Item 0 is the mapper, 1 the synthesizer, 2 the only MIDI port of this server.
xdotool key alt+d
sleep 0.5
xdotool key Down Down Return
for _ in $(seq 1 100); do grep -q '^# open 1$' "$log" && break; sleep 0.1; done
grep -q '^# open 1$' "$log" || fail "the JACK port was not opened: $(grep '^#' "$log" | tr '\n' '|')"
xdotool key w
for _ in $(seq 1 100); do grep -q 'note on' "$WORK/dump.txt" && break; sleep 0.1; done
grep -q 'note on' "$WORK/dump.txt" || fail "the key did not reach jack_midi_dump"

note "stop the server, then close the window"
kill -STOP "$jack"
"$TOOLS/wm_delete" "$win"
# Closing the port gives up on the server after 2 s.
wait_exit "$pid" 10
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS"
[ "$(tail -n 2 "$log" | tr '\n' '|')" = "# reset|# close|" ] || fail "log does not end with reset, close"
echo "midi_server_stop: all checks passed"
