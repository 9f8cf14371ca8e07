#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# kelodi-dzq.exe play under Wine, on WinMM devices: the Wine prefix's sound
# driver is the tests' loopback MIDI driver (scripts/wine-run), which offers
# as many devices as KELODI_LOOPBACK_DEVICES says and writes down what each
# receives. --list-devices lists them after the mapper, then the driver's
# input devices, and only the mapper when there are none; a score sounds, through the mapper or a device, exactly
# the messages the Linux tool's MIDI export holds, over the score's length;
# Ctrl+C stops it with every note released; a missing device, a mapper with
# nothing behind it and a score with nothing to play end with a reason.
#   play_wine.sh WIN_TOOL SAMPLES_DIR EMULATOR... (KELODI_HOST_DZQ: the Linux tool)
source "$(dirname "$0")/lib/side_by_side.bash"
lib="$(dirname "$0")/lib"
log=$work/loopback.log
export KELODI_LOOPBACK_LOG
KELODI_LOOPBACK_LOG=$(windows_path "$log")

# devices N ARGS... : the Windows tool with N loopback devices.
devices() {
  local n=$1
  shift
  KELODI_LOOPBACK_DEVICES=$n "$@"
}

# The device list.
for n in 0 1 3; do
  devices "$n" run windows "list-$n" play --list-devices
  expect_status "list-$n" 0 windows
  {
    printf -- '-1\tMIDI映射表\n'
    [ "$n" -ge 1 ] && printf '0\tKelodi Loopback Café\n'
    for i in $(seq 2 "$n"); do printf '%d\tKelodi Loopback %d\n' $((i - 1)) "$i"; done
    # Then the input devices, by the names --midi-input takes.
    [ "$n" -ge 1 ] && printf 'in\tKelodi Loopback In Café\n'
    for i in $(seq 2 "$n"); do printf 'in\tKelodi Loopback In %d\n' "$i"; done
  } >"$work/list-$n.expected"
  same_file "list of $n devices" "$work/list-$n.expected" "$work/windows/list-$n.out"
done

# Calls that cannot play.
printf '琴键倍数:1\r\n0.2,C|0.3,抬起|0.2,e|0.1,g|0.4,抬起|0.3,c1|0.5,抬起\r\n' | gbk >"$in/歌.dzq"
printf '琴键倍数:1\r\n' | gbk >"$in/只有标题.dzq"
devices 1 run windows no-device play 歌.dzq --device 1
expect_status no-device 2 windows
grep -qx 'kelodi-dzq: no device 1 (see --list-devices)' "$work/windows/no-device.err" ||
  fail "a missing device: $(cat "$work/windows/no-device.err")"
devices 0 run windows no-mapper play 歌.dzq
expect_status no-mapper 2 windows
grep -qx 'kelodi-dzq: cannot open device -1' "$work/windows/no-mapper.err" ||
  fail "a mapper with no device: $(cat "$work/windows/no-mapper.err")"
compare nothing-to-play play 只有标题.dzq
expect_status nothing-to-play 1
compare bad-device play 歌.dzq --device -2
expect_status bad-device 2
compare no-score play
checks=$((checks + 1))
[ ! -s "$log" ] || fail "a play that could not start sent: $(cat "$log")"

# played DEVICE : the messages the loopback device DEVICE received, without
# the time, and its opens and closes.
played() { awk -v d="$1" '$2 == d && NF == 6 { print $3, $4, $5, $6 }' "$log"; }

# A score played through the mapper and through a device by number: the
# messages of the export, over the score's 2.0 s.
"$linux_tool" midi "$in/歌.dzq" "$work/歌.mid" --program 24 --channel 2 --chord 10 || fail "the Linux export failed"
python3 "$lib/midi_messages.py" "$work/歌.mid" | cut -d' ' -f2- >"$work/expected"
for device in -1 2; do
  : >"$log"
  devices 3 run windows "play$device" play 歌.dzq --device "$device" --program 24 --channel 2 --chord 10
  expect_status "play$device" 0 windows
  # The mapper leads to the first device.
  target=$(( device < 0 ? 0 : device ))
  played "$target" >"$work/received$device"
  same_file "device $device: the messages played" "$work/expected" "$work/received$device"
  checks=$((checks + 1))
  [ "$(awk '{ print $2, $3 }' "$log" | head -n 1)" = "$target open" ] && [ "$(awk '{ print $2, $3 }' "$log" | tail -n 1)" = "$target close" ] ||
    fail "device $device: not opened first and closed last: $(cat "$log")"
  span=$(awk 'NF == 6 { if (first == "") first = $1; last = $1 } END { printf "%.3f", last - first }' "$log")
  checks=$((checks + 1))
  awk -v s="$span" 'BEGIN { exit !(s >= 1.99 && s < 5) }' || fail "device $device: 2.0 s of score played in $span s"
done

# Ctrl+C in the middle of a long score: status 130, every note released.
{
  printf '琴键倍数:1\r\n'
  for _ in $(seq 1 100); do printf '0.1,C|0.05,E|0.05,G|0.2,抬起|\r\n'; done
} | gbk >"$in/长.dzq"
: >"$log"
(cd "$in" && exec env KELODI_LOOPBACK_DEVICES=1 "${emulator[@]}" "$win_tool" play 长.dzq --chord 3) \
  >/dev/null 2>"$work/interrupted.err" &
player=$!
_pids+=("$player")
for _ in $(seq 1 300); do
  [ "$(played 0 | grep -c '^90 ')" -ge 8 ] && break
  sleep 0.05
done
checks=$((checks + 1))
[ "$(played 0 | grep -c '^90 ')" -ge 8 ] || fail "the long score did not start: $(cat "$work/interrupted.err")"
kill -INT "$player"
status=0
wait "$player" || status=$?
checks=$((checks + 1))
[ "$status" = 130 ] || fail "an interrupted play ended with status $status: $(cat "$work/interrupted.err")"
played 0 >"$work/interrupted"
# Every note-on is matched by a later note-off of the same note, and the
# device is closed after them.
checks=$((checks + 1))
awk '$1 == "90" { on[$2]++ } $1 == "80" { if (on[$2] > 0) on[$2]--; else stray++ }
     END { for (n in on) left += on[n]; exit (left + stray) > 0 }' "$work/interrupted" ||
  fail "notes left sounding after Ctrl+C:$(tail -n 12 "$work/interrupted" | tr '\n' ';')"
ons=$(grep -c '^90 ' "$work/interrupted")
[ "$ons" -lt 1200 ] || fail "$ons note-ons: the playback was not interrupted midway"
[ "$(tail -n 1 "$log" | cut -d' ' -f2-)" = "0 close" ] || fail "the device was not closed last: $(tail -n 3 "$log")"

finish
