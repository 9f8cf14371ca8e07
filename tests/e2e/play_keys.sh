#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Keys typed on the real keyboard and clicked with the mouse reach the port as
# the expected messages; a held key sounds once however long the server
# repeats it; a typed key is audible in the rendered audio at its pitch.
source "$(dirname "$0")/lib/common.bash"
use_display

launch keys

# Messages after the start-up burst, without time stamps.
after() { log_messages "$log" | tail -n +114; }
logged_after() { [ "$(after | wc -l)" -ge "$1" ]; }
expect_new() {  # expect_new LABEL LINES...: the messages since the last mark
  local label=$1; shift
  # Wait for as many messages as expected; one that should not have come
  # shows up in this comparison or in the next one.
  wait_until 20 logged_after "$((mark + $#))" || true
  local got
  got=$(after | tail -n +"$((mark + 1))")
  local want
  want=$(printf '%s\n' "$@")
  [ "$got" = "$want" ] || { echo "expected:"; echo "$want"; echo "got:"; echo "$got"; fail "$label"; }
  mark=$(after | wc -l)
}
mark=0

note "W plays a major seventh chord on key 2"
xdotool key --delay 100 w
expect_new "W" "90 26 64 00" "90 2A 64 00" "90 2D 64 00" "90 31 64 00" \
               "80 26 00 00" "80 2A 00 00" "80 2D 00 00" "80 31 00 00"

note "Shift+W plays key 3, Q plays key 0"
xdotool key --delay 100 shift+w
expect_new "Shift+W" "90 27 64 00" "90 2B 64 00" "90 2E 64 00" "90 32 64 00" \
                     "80 27 00 00" "80 2B 00 00" "80 2E 00 00" "80 32 00 00"
xdotool key --delay 100 q
expect_new "Q" "90 24 64 00" "90 28 64 00" "90 2B 64 00" "90 2F 64 00" \
               "80 24 00 00" "80 28 00 00" "80 2B 00 00" "80 2F 00 00"

note "a key held for a second sounds once"
xdotool keydown d
sleep 1.2
xdotool keyup d
expect_new "held D" "90 30 64 00" "90 34 64 00" "90 37 64 00" "90 3B 64 00" \
                    "80 30 00 00" "80 34 00 00" "80 37 00 00" "80 3B 00 00"

note "mouse: left click on key 12 plays it, right click does nothing"
x=$(( 4 + 28 * 7 + 18 )); y=$(( menu + 92 + 150 ))
xdotool mousemove --window "$win" "$x" "$y" click 3
expect_new "right click"
xdotool mousemove --window "$win" "$x" "$y" click 1
expect_new "left click" "90 30 64 00" "90 34 64 00" "90 37 64 00" "90 3B 64 00" \
                        "80 30 00 00" "80 34 00 00" "80 37 00 00" "80 3B 00 00"

note "single notes on the grand piano: K sounds A (220 Hz)"
open_menu alt+f
xdotool key n
# File > New puts all 16 channels back: 112 messages.
wait_until 20 logged_after "$((mark + 112))" || fail "File > New sent $(( $(after | wc -l) - mark )) messages"
xdotool mousemove --window "$win" $(( 520 + 6 )) $(( menu + 64 + 8 )) click 1   # 单音
# The pitch is measured on the loudest sound from just before K's note-on:
# the chords played before must have rung out by then.
quiet() { python3 - "$WORK/keys.wav" <<'PY'
import array, sys
with open(sys.argv[1], "rb") as f:
    f.seek(0, 2)
    start = max(44, f.tell() - 8820)  # the last 50 ms, 16-bit stereo frames
    f.seek(start - (start - 44) % 4)
    data = f.read(8820)
    tail = array.array("h", data[: len(data) - len(data) % 4])
sys.exit(0 if tail and (sum(x * x for x in tail) / len(tail)) ** 0.5 < 30 else 1)
PY
}
wait_until 20 quiet || fail "the audio did not fall quiet before K"
mark=$(after | wc -l)
xdotool keydown k
sleep 1.0
xdotool keyup k
expect_new "K single" "90 39 64 00" "80 39 00 00"
# The audio is rendered in real time and starts after the log's clock: once
# it is longer than the log's time of the release, it holds the whole note.
off=$(grep ' 80 39 00 00$' "$log" | tail -n 1 | cut -d' ' -f1)
wav_covers() { [ "$(stat -c %s "$WORK/keys.wav")" -ge "$(python3 -c "print(44 + int(($off + 0.2) * 44100) * 4)")" ]; }
wait_until 20 wav_covers || fail "the audio file stops before the note ends"
"$TOOLS/wm_delete" "$win"
wait_exit "$pid" 10
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS"
# The log's clock starts with the process, the audio file a little later:
# look from just before the note-on.
at=$(grep ' 90 39 64 00$' "$log" | tail -n 1 | cut -d' ' -f1)
hz=$(python3 "$(dirname "$0")/lib/pitch.py" "$WORK/keys.wav" "$(python3 -c "print(max(0.0, $at - 0.3))")") || fail "no pitch in the audio ($hz)"
note "measured $hz Hz"
python3 -c "import sys; f=float('$hz'); sys.exit(0 if abs(f-220)/220 < 0.03 else 1)" || fail "pitch $hz Hz, expected 220 Hz"
echo "PASS"
