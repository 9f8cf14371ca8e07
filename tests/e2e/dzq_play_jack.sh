#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# `kelodi-dzq play` on a real MIDI device: jack_midi_dump on a dummy JACK
# server of the script's own receives exactly the messages of the MIDI
# export, in order, over the score's length; Ctrl+C or SIGHUP stops a
# playback with every note released; a device that goes away mid-song stops
# the playback with status 2 and the reason.
source "$(dirname "$0")/lib/common.bash"
source "$(dirname "$0")/lib/jack.bash"
private_jack_server kelodi-e2eplay
command -v midicsv >/dev/null || fail "midicsv is not installed (scripts/install-deps)"
tool="$BIN/kelodi-dzq"
gbk() { iconv -f UTF-8 -t GBK; }

client="kelodi-dzq-dump-$$"
midi_dump "$client" >"$WORK/dump.txt" 2>/dev/null &
_pids+=($!)
# Devices are numbered by their place in the server's list: the number is
# looked up before each play.
find_device() {
  device=""
  for _ in $(seq 1 300); do
    device=$("$tool" play --list-devices 2>/dev/null | awk -F'\t' -v port="$client:input" '$2 == port {print $1}')
    [ -n "$device" ] && return 0
    sleep 0.1
  done
  fail "the dump's port is not listed: $("$tool" play --list-devices 2>&1 | grep -v ALSA)"
}
find_device
note "jack_midi_dump is device $device"
# The list starts with the mapper, named as the device menu names it, without
# the menu's access key.
first=$("$tool" play --list-devices 2>/dev/null | head -n 1)
[ "$first" = $'-1\tMIDI映射表' ] || fail "the list starts with '$first'"

# The bytes of each event the dump received, lower-case hex.
dumped() { sed -n 's/^ *[0-9]*: \(\([0-9a-f][0-9a-f] \?\)\+\).*/\1/p' "$WORK/dump.txt" | sed 's/ *$//'; }
# wait_dumped COUNT: until the dump has received COUNT events.
wait_dumped() {
  for _ in $(seq 1 600); do
    [ "$(dumped | wc -l)" -ge "$1" ] && return 0
    sleep 0.1
  done
  return 1
}

note "a score plays as the export says"
printf '琴键倍数:1\r\n0.2,C|0.3,抬起|0.2,e|0.1,g|0.4,抬起|0.3,c1|0.5,抬起\r\n' | gbk >"$WORK/song.dzq"
"$tool" midi "$WORK/song.dzq" "$WORK/song.mid" --program 24 --channel 2 --chord 10 || fail "export failed"
midicsv "$WORK/song.mid" | awk -f "$(dirname "$0")/lib/midi_messages.awk" |
  awk '{ n = ($2 ~ /^C/) ? 2 : 3; line = tolower($2); for (i = 3; i < 2 + n; i++) line = line " " tolower($i); print line }' \
  >"$WORK/expected"
# Opening a JACK port gives up after 2 s, which a loaded machine may need:
# a refused open is asked again, as a player would.
for _ in $(seq 1 10); do
  start=$(date +%s.%N)
  status=0
  "$tool" play "$WORK/song.dzq" --device "$device" --program 24 --channel 2 --chord 10 2>"$WORK/play.err" || status=$?
  [ "$status" = 2 ] && grep -q "cannot open device $device " "$WORK/play.err" || break
done
[ "$status" = 0 ] \
  || fail "play failed: $(grep -v ALSA "$WORK/play.err"); devices now: $("$tool" play --list-devices 2>/dev/null | tr "\n\t" "; ")"
elapsed=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.3f", b - a }')
wait_dumped "$(wc -l <"$WORK/expected")" || fail "the dump received $(dumped | wc -l) of $(wc -l <"$WORK/expected") events"
dumped >"$WORK/received"
diff "$WORK/expected" "$WORK/received" >"$WORK/diff" || fail "received differs from the export:$(cat "$WORK/diff")"
note "played 2.0 s of score in ${elapsed} s"
echo "$elapsed" | awk '{ exit !($1 >= 2.0 && $1 < 20) }' || fail "playing took ${elapsed} s"

{
  printf '琴键倍数:1\r\n'
  for i in $(seq 1 100); do printf '0.1,C|0.05,E|0.05,G|0.2,抬起|\r\n'; done
} | gbk >"$WORK/long.dzq"
# Ctrl+C, and the terminal going (SIGHUP), end a playback the same way.
for signal in INT HUP; do
  note "SIG$signal releases every note"
  before=$(dumped | wc -l)
  find_device
  "$tool" play "$WORK/long.dzq" --device "$device" --chord 3 2>"$WORK/play.err" &
  player=$!
  wait_dumped $(( before + 13 )) || fail "the long score did not start: $(grep -v ALSA "$WORK/play.err")"
  kill -"$signal" "$player"
  status=0
  wait "$player" || status=$?
  [ "$status" = 130 ] || fail "a play ended by SIG$signal ended with status $status"
  for _ in $(seq 1 300); do
    dumped | tail -n +"$(( before + 1 ))" >"$WORK/interrupted"
    ons=$(grep -c '^90 ' "$WORK/interrupted" || true)
    offs=$(grep -c '^80 ' "$WORK/interrupted" || true)
    [ "$ons" = "$offs" ] && break
    sleep 0.1
  done
  note "$ons note-ons, $offs note-offs before and after SIG$signal"
  # Every note-on is matched by a note-off of the same note after it.
  awk '$1 == "90" { on[$2]++ } $1 == "80" { if (on[$2] > 0) on[$2]--; else stray++ }
       END { for (n in on) left += on[n]; exit (left + stray) > 0 }' "$WORK/interrupted" \
    || fail "notes left sounding after SIG$signal"
  [ "$ons" -ge 4 ] && [ "$ons" -lt 1200 ] || fail "$ons note-ons: the playback was not interrupted midway"
done

note "a device that goes away mid-song"
gone="kelodi-dzq-gone-$$"
midi_dump "$gone" >"$WORK/gone.txt" 2>/dev/null &
gone_pid=$!
_pids+=("$gone_pid")
client=$gone
find_device
"$tool" play "$WORK/long.dzq" --device "$device" 2>"$WORK/play.err" &
player=$!
gone_notes() { grep -c 'note on' "$WORK/gone.txt" || true; }
wait_until 60 eval '[ "$(gone_notes)" -ge 3 ]' || fail "the playback did not start: $(grep -v ALSA "$WORK/play.err")"
kill "$gone_pid"
# The score lasts 40 s; the playback ends long before.
wait_exit "$player" 30
[ "$EXIT_STATUS" = 2 ] || fail "a playback whose device went away ended with status $EXIT_STATUS"
grep -q "^kelodi-dzq: device $device ($gone:input) went away during playback$" "$WORK/play.err" \
  || fail "no reason given: $(grep -v ALSA "$WORK/play.err")"
echo "PASS"
