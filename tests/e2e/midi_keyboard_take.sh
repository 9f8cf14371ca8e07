#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A MIDI keyboard (the test tool midi_source on a JACK server of the script's
# own, chosen with --midi-input) lights the keys it holds, red in a shot of
# the window, and their own colour again once released. A take played on it
# is recorded as the keys' presses and releases with the keyboard's spacing,
# a note below the 44 keys is left out (the caption says so), and the take
# saved through the file dialog and played with 播放文件 sounds those keys.
source "$(dirname "$0")/lib/common.bash"
source "$(dirname "$0")/lib/jack.bash"
use_display
private_jack_server kelodi-e2etake
keyboard_source kelodi-e2e-take

# A private program folder, so the file dialog opens in our 录制 folder.
app="$WORK/app"
mkdir -p "$app/录制"
cp "$BIN/kelodi" "$app/"
launch take "$app/kelodi" --midi-input kelodi-e2e-take:out
wait_keyboard_connected kelodi-e2e-take

logged() { log_messages "$log" | grep -qx "$1"; }
# A shot of the window into $WORK/NAME.png (kept with the logs, see
# KELODI_E2E_LOG_DIR).
shot() { import -window "$win" "$WORK/$1.png" 2>/dev/null; }
# key_is KEY COLOUR NAME: a shot NAME shows key KEY in COLOUR (#RRGGBB).
key_is() {
  shot "$3" || return 1
  [ "$(pixel_colour "$WORK/$3.png" $(key_spot "$1"))" = "$2" ]
}
colour_of() {
  pixel_colour "$WORK/$2.png" $(key_spot "$1")
}

note "keys held on the keyboard light, and go back when released"
# Note 48 is white key 12 and note 51 black key 15 at the panel's octave 0.
# A sounding key is red (KeyColour::Red), a key at rest white or black.
key_is 12 '#FFFFFF' rest || fail "key 12 is $(colour_of 12 rest) before it is played"
key_is 15 '#000000' rest || fail "key 15 is $(colour_of 15 rest) before it is played"
send 90 30 50
send 90 33 50
wait_until 30 key_is 12 '#FF0000' lit || fail "key 12 held on the keyboard is $(colour_of 12 lit), not red"
wait_until 30 key_is 15 '#FF0000' lit || fail "key 15 held on the keyboard is $(colour_of 15 lit), not red"
wait_until 30 logged '90 30 50 00' || fail "note 48 did not sound"
wait_until 30 logged '90 33 50 00' || fail "note 51 did not sound"
send 80 30 00
send 80 33 00
wait_until 30 key_is 12 '#FFFFFF' released || fail "key 12 is $(colour_of 12 released) after its note-off"
wait_until 30 key_is 15 '#000000' released || fail "key 15 is $(colour_of 15 released) after its note-off"

note "a take on the keyboard, with a note below the keys"
button start
# Note 30 lies below key 0. Played until the caption tells it is not
# recorded, it also shows the take has started before the keys are played.
outside_told() {
  send 90 1E 40
  send 80 1E 00
  [[ "$(xdotool getwindowname "$win")" == *"MIDI键盘弹的音超出了44个键，不录入" ]]
}
wait_until 30 outside_told || fail "the note outside the keys was not told in the caption: $(xdotool getwindowname "$win")"
mark=$(wc -l <"$log")
# Keys 12, 15 and 19: each held half a second, 0.6 s apart; long enough that a
# recorder off by a third of the spacing is off by more than the slack.
for n in 30 33 37; do
  send 90 "$n" 60
  wait_until 30 logged "90 $n 60 00" || fail "note $n did not sound"
  sleep 0.5
  send 80 "$n" 00
  wait_until 30 logged "80 $n 00 00" || fail "note $n was not released"
  sleep 0.6
done
button end

note "save the take through the file dialog"
button save
recording_file midi-take.dzq
wait_until 60 test -f "$app/录制/midi-take.dzq" || fail "nothing saved"
"$BIN/kelodi-dzq" events "$app/录制/midi-take.dzq" >"$WORK/events" || fail "the saved take does not read back"
[ "$(cut -f2 "$WORK/events" | tr '\n' ' ')" = "12 9999 15 9999 19 9999 " ] || fail "saved events: $(tr '\t\n' ' |' <"$WORK/events")"
# Each delay of the file against the spacing of the same notes at the port:
# a loaded machine may hand a note to the recorder late, by less than the
# slack; a recorder that loses the spacing is off by far more.
tail -n +"$((mark + 1))" "$log" | grep -v '^#' | awk '$2 ~ /^[89]0$/ && $3 ~ /^(30|33|37)$/ {print $1}' \
  | awk 'NR > 1 {printf "%.4f\n", $1 - prev} {prev = $1}' >"$WORK/played.spacing"
tail -n +2 "$WORK/events" | cut -f1 | paste - "$WORK/played.spacing" >"$WORK/spacings"
note "spacing saved / played: $(tr '\t\n' '/ ' <"$WORK/spacings")"
[ "$(wc -l <"$WORK/played.spacing")" = 5 ] || fail "expected 6 notes at the port, got $(tr '\n' ' ' <"$WORK/played.spacing")"
slack_ms=${KELODI_TIMING_SLACK_MS:-100}
awk -v slack="$slack_ms" '{d = $1 - $2; if (d < 0) d = -d; if (d > slack / 1000) bad = 1} END {exit bad}' \
  "$WORK/spacings" || fail "the saved spacing differs from the played one by more than $slack_ms ms"

note "播放文件 plays the saved take"
mark=$(wc -l <"$log")
button play-file
recording_file midi-take.dzq
# The first note-on after anything else is the root of a key's chord.
roots() {
  tail -n +"$((mark + 1))" "$log" | grep -v '^#' \
    | awk '$2 == "90" && prev != "90" {printf "%s ", $3} {prev = $2}'
}
three_roots() { [ "$(roots | wc -w)" -ge 3 ]; }
wait_until 60 three_roots || fail "the replay played $(roots)"
[ "$(roots)" = "30 33 37 " ] || fail "the replay played the roots $(roots)"

"$TOOLS/wm_delete" "$win"
wait_exit "$pid" 30
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS"
echo "PASS"
