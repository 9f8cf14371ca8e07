# SPDX-License-Identifier: GPL-3.0-or-later
# A JACK server of the script's own (`jackd -d dummy`), never the suite's
# shared one: no port of a test that runs at the same time shows in its
# device list, so device numbers stay put. Source after common.bash.
#
# private_jack_server PREFIX: picks a free name from a pool (PREFIX-0 ..
# PREFIX-7; JACK's registry holds eight servers, and a killed server keeps its
# entry until one of the same name starts again), locks it while the script
# runs, makes it the default server and starts it. Exits with 77 (skip) when
# no server can run here. Sets `jack` to the server's process id. A script
# that moves on to another server calls end_server first.
private_jack_server() {
  local prefix=$1 slot
  if ! command -v jackd >/dev/null || ! command -v jack_midi_dump >/dev/null; then
    echo "SKIP: jackd or jack_midi_dump missing"
    exit 77
  fi
  export JACK_NO_AUDIO_RESERVATION=1
  _jack_server=""
  for slot in 0 1 2 3 4 5 6 7; do
    exec {_jack_lock}>"/tmp/kelodi-jack-$prefix-$slot.lock"
    if flock -n "$_jack_lock"; then
      _jack_server="$prefix-$slot"
      break
    fi
    exec {_jack_lock}>&-
  done
  [ -n "$_jack_server" ] || { echo "SKIP: every server name is in use"; exit 77; }
  export JACK_DEFAULT_SERVER=$_jack_server
  trap 'end_server; _cleanup' EXIT
  start_server
  server_up || { echo "SKIP: jackd -d dummy did not start"; exit 77; }
}

# Until a client can connect (30 s at most).
server_up() { wait_until 30 eval 'jack_lsp >/dev/null 2>&1'; }

# Real-time priority where the system allows it (see scripts/run-tests).
start_server() {
  jackd -R -P 10 -d dummy -r 48000 -p 256 >>"$WORK/jackd.log" 2>&1 &
  jack=$!
}

# A stopped server ends slowly, so it is killed; a killed server keeps its
# entry in JACK's registry until a server of the same name starts and ends.
end_server() {
  kill -KILL "$jack" 2>/dev/null || true
  wait "$jack" 2>/dev/null || true
  jackd -R -P 10 -d dummy -r 48000 -p 256 >/dev/null 2>&1 &
  local again=$!
  server_up || true
  kill "$again" 2>/dev/null || true
  wait "$again" 2>/dev/null || true
}

# midi_dump CLIENT > FILE &: jack_midi_dump as the external device. Its
# reader thread takes what arrives from a small ring buffer and drops what no
# longer fits, so on a busy machine it runs at real-time priority where the
# system allows that. Run it in the background only: it replaces its shell.
midi_dump() {
  if chrt -r 1 true 2>/dev/null; then
    exec chrt -r 1 jack_midi_dump "$@"
  fi
  exec jack_midi_dump "$@"
}

# keyboard_source CLIENT: the test tool midi_source as a MIDI keyboard on the
# server, its port CLIENT:out; `send BYTES...` plays an event on it ("90 3C
# 40"), `send close` unplugs it. Exits with 77 (skip) when the tool is not
# built.
keyboard_source() {
  [ -x "$TOOLS/midi_source" ] || { echo "SKIP: midi_source not built"; exit 77; }
  mkfifo "$WORK/keyboard.in"
  "$TOOLS/midi_source" "$1" <"$WORK/keyboard.in" >"$WORK/keyboard.out" 2>&1 &
  _pids+=($!)
  exec {keyboard}>"$WORK/keyboard.in"
  wait_until 30 grep -q '^ready$' "$WORK/keyboard.out" || fail "midi_source did not start"
}
send() { echo "$*" >&"$keyboard"; }

# wait_keyboard_connected CLIENT: until kelodi's input port is connected to
# the keyboard's port CLIENT:out.
wait_keyboard_connected() {
  _connected() { jack_lsp -c "$1:out" 2>/dev/null | grep -q '^ *Kelodi.*:MIDI in$'; }
  wait_until 30 _connected "$1" || fail "the keyboard is not connected: $(jack_lsp -c 2>&1 | tr '\n' '|')"
}
