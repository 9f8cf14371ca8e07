#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A performance recorded on the real keyboard, saved through the file dialog,
# read back and replayed sounds the same keys with the same spacing; after a
# restart it is listed under 曲目列表(&Q) and plays from there.
source "$(dirname "$0")/lib/common.bash"
use_display

# A private program folder, so the recordings list reads our 录制 folder.
app="$WORK/app"
mkdir -p "$app/录制"
cp "$BIN/kelodi" "$app/"

# Time stamps of the note-ons of chord roots (the first of each group of four).
roots() { awk '$1 !~ /^#/ && $2 == "90" {n++; if (n % 4 == 1) print $1}' "$1"; }
spacing() { awk 'NR > 1 {printf "%.4f\n", $1 - prev} {prev = $1}'; }
# has_roots LOG COUNT: the log holds at least COUNT chord roots.
has_roots() { [ "$(roots "$1" | wc -l)" -ge "$2" ]; }

note "record four keys"
launch record "$app/kelodi"
button start
for key in d f g h; do
  xdotool keydown "$key"; sleep 0.25; xdotool keyup "$key"; sleep 0.35
done
button end
wait_until 60 has_roots "$log" 4 || fail "expected 4 recorded presses, got $(roots "$log" | wc -l)"
roots "$log" | tail -n 4 >"$WORK/recorded.times"

note "save through the file dialog"
button save
recording_file e2e.dzq
# The file appears whole: it is written beside and renamed into place.
wait_until 60 test -f "$app/录制/e2e.dzq" || fail "nothing saved"
"$BIN/kelodi-dzq" events "$app/录制/e2e.dzq" >"$WORK/events" || fail "the saved file does not read back"
[ "$(cut -f2 "$WORK/events" | tr '\n' ' ')" = "12 9999 14 9999 16 9999 17 9999 " ] || fail "saved keys: $(cat "$WORK/events")"

note "play the file back"
before=$(roots "$log" | wc -l)
button play-file
recording_file e2e.dzq
wait_until 60 has_roots "$log" "$((before + 4))" || fail "the replay did not play 4 keys"
roots "$log" | tail -n +"$((before + 1))" >"$WORK/replayed.times"
[ "$(wc -l <"$WORK/replayed.times")" = 4 ] || fail "expected 4 replayed presses, got $(wc -l <"$WORK/replayed.times")"
paste <(spacing <"$WORK/recorded.times") <(spacing <"$WORK/replayed.times") >"$WORK/spacings"
note "spacing recorded / replayed: $(tr '\t\n' '/ ' <"$WORK/spacings")"
# A loaded machine may wake the player (or the recorder) tens of milliseconds
# late: the bound catches a replay that loses the spacing, not its precision
# (bench_gui_player_timing measures that).
slack_ms=${KELODI_TIMING_SLACK_MS:-100}
awk -v slack="$slack_ms" '{d = $1 - $2; if (d < 0) d = -d; if (d > slack / 1000) bad = 1} END {exit bad}' \
  "$WORK/spacings" || fail "replayed spacing differs by more than $slack_ms ms"
"$TOOLS/wm_delete" "$win"
wait_exit "$pid" 30
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS"

note "after a restart the recording is listed and plays from the menu"
launch listed "$app/kelodi"
open_menu alt+q
xdotool key Return
wait_until 60 has_roots "$log" 4 || fail "choosing the list item did not play it"
"$TOOLS/wm_delete" "$win"
wait_exit "$pid" 30
echo "PASS"
