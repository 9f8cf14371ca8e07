#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A MIDI keyboard on a JACK server of the script's own (the test tool
# midi_source) plays kelodi, chosen with --midi-input: its notes reach the
# port on the current channel with their own velocities, whatever channel
# they came on, and its controllers that are not passed on are dropped. With
# 跟弹练习 the keyboard's notes play a sample song to the end. The keyboard
# going away while a note is held releases the note and says so once. The
# score tool lists the keyboard under the name --midi-input takes. A JACK
# output port created after start is in the device menu when it opens.
source "$(dirname "$0")/lib/common.bash"
source "$(dirname "$0")/lib/jack.bash"
use_display
private_jack_server kelodi-e2ein
keyboard_source kelodi-e2e-kbd

song="$BIN/录制/两只老虎.dzq"
[ -f "$song" ] || fail "no sample score $song"

"$BIN/kelodi-dzq" play --list-devices >"$WORK/devices.txt" 2>/dev/null || fail "play --list-devices failed"
grep -qx $'in\tkelodi-e2e-kbd:out' "$WORK/devices.txt" || fail "the keyboard is not listed: $(tr '\n' '|' <"$WORK/devices.txt")"

launch player "$BIN/kelodi" --midi-input kelodi-e2e-kbd:out
wait_keyboard_connected kelodi-e2e-kbd

note "notes on channel 10 with their velocities, a controller that is dropped"
mark=$(log_messages "$log" | wc -l)
send 99 3C 25
send B9 07 10
send 89 3C 40
send 99 3E 7F
send 3E 00
logged_after() { log_messages "$log" | tail -n +"$((mark + 1))"; }
four() { [ "$(logged_after | wc -l)" -ge 4 ]; }
wait_until 30 four || fail "the keyboard's notes did not reach the port: $(logged_after | tr '\n' '|')"
[ "$(logged_after | tr '\n' '|')" = "90 3C 25 00|80 3C 40 00|90 3E 7F 00|80 3E 00 00|" ] \
  || fail "logged $(logged_after | tr '\n' '|')"

note "跟弹练习 on the keyboard's notes"
"$BIN/kelodi-dzq" events "$song" >"$WORK/events" || fail "kelodi-dzq cannot read $song"
mapfile -t keys < <(awk -F'\t' '$2 != 9999 {print $2}' "$WORK/events")
choose_item alt+p w   # 曲谱窗口(&W)
wait_window '^曲谱$' 30 >/dev/null || fail "no score window"
focus "$win"
choose_item alt+p f   # 跟弹练习(&F)
choose_item alt+q Return   # the first song of the list
# The song's first key, white key 12 (the eighth white key), turns green once
# the song waits for it.
[ "${keys[0]}" = 12 ] || fail "the song no longer starts on key 12"
first_marked() {
  import -window "$win" "$WORK/marked.png" 2>/dev/null || return 1
  [ "$(pixel_colour "$WORK/marked.png" $(key_spot 12))" = "#90EE90" ]
}
wait_until 30 first_marked || fail "the song does not wait for its first key"
for k in "${keys[@]}"; do
  hex=$(printf '%02X' $((36 + k)))
  send 90 "$hex" 50
  send 80 "$hex" 00
done
box=$(wait_window '^练习完成$' 30) || fail "the song played on the keyboard did not end the practice"
focus "$box"
xdotool key Return
box_gone() { ! xdotool search --onlyvisible --name '^练习完成$' >/dev/null 2>&1; }
wait_until 30 box_gone || fail "the box 练习完成 stays"
focus "$win"

note "the keyboard goes away with a note held"
send 90 40 50
held() { log_messages "$log" | grep -q '^90 40 50 00$'; }
wait_until 30 held || fail "the held note did not sound"
held_at=$(log_messages "$log" | wc -l)
send close
wait_until 30 grep -q '^closed$' "$WORK/keyboard.out" || fail "midi_source did not close its port"
before=$(popup_windows | sort)
lost_box() { comm -13 <(echo "$before") <(popup_windows | sort) | head -n 1; }
has_lost_box() { [ -n "$(lost_box)" ]; }
wait_until 30 has_lost_box || fail "the keyboard's going away was not reported"
focus "$(lost_box)"
released() { log_messages "$log" | tail -n +"$((held_at + 1))" | grep -q '^80 40 00 00$'; }
wait_until 30 released || fail "the held note was not released"
xdotool key Return
wait_until 30 eval '! has_lost_box' || fail "the message box did not close"
# Three times the time the port is checked in: a second message would be up by now.
sleep 1.5
has_lost_box && fail "the loss was reported twice"
focus "$win"

note "a JACK output port created after start is in the device menu"
midi_dump kelodi-e2e-late >"$WORK/dump.txt" 2>/dev/null &
_pids+=($!)
wait_until 30 eval 'jack_lsp 2>/dev/null | grep -q "^kelodi-e2e-late:input$"' || fail "jack_midi_dump did not start"
# Item 0 is the mapper, 1 the synthesizer, 2 the port created just now.
choose_item alt+d Down Down Return
wait_until 30 grep -q '^# open 1$' "$log" || fail "the new port was not opened: $(grep '^#' "$log" | tr '\n' '|')"
xdotool key w
wait_until 30 grep -q 'note on' "$WORK/dump.txt" || fail "the key did not reach the new port"

"$TOOLS/wm_delete" "$win"
wait_exit "$pid" 30
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS"
echo "PASS"
