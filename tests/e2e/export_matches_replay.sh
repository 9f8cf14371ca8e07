#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A score exported as MIDI, by the score tool and by the window's File menu,
# holds the messages the window sends to the port when it replays the score
# with the same panel, with the same spacing; an independent reader (midicsv)
# reads both files.
source "$(dirname "$0")/lib/common.bash"
use_display
command -v midicsv >/dev/null || fail "midicsv is not installed (scripts/install-deps)"
messages_of() { midicsv "$1" | awk -f "$(dirname "$0")/lib/midi_messages.awk"; }

score="$BIN/录制/两只老虎.dzq"
[ -f "$score" ] || fail "no sample score $score"

note "set the panel: channel 2 (program 1), octave +1, single notes"
launch replay
spin_up() {  # spin_up LEFT TOP (pixels of the spinner)
  xdotool mousemove --window "$win" $(( $1 + 10 )) $(( menu + $2 + 4 )) click 1
  sleep 0.2
}
spin_up 104 12   # ChannelSpinner
spin_up 612 8    # OctaveSpinner
xdotool mousemove --window "$win" $(( 520 + 6 )) $(( menu + 64 + 8 )) click 1   # 单音
sleep 0.3

"$BIN/kelodi-dzq" midi "$score" "$WORK/tool.mid" --channel 1 --program 1 --octave 1 --chord 0 \
  || fail "kelodi-dzq midi failed"
messages_of "$WORK/tool.mid" >"$WORK/tool.messages"
head -n 1 "$WORK/tool.messages" | grep -q '^0 C1 01 00 00$' || fail "no program change first: $(head -n 1 "$WORK/tool.messages")"
grep -v ' C1 ' "$WORK/tool.messages" >"$WORK/tool.notes"
count=$(wc -l <"$WORK/tool.notes")
[ "$count" -gt 50 ] || fail "only $count note messages exported"

note "play the score from the recordings list ($count note messages)"
before=$(wc -l <"$log")
open_menu alt+q
xdotool key Return
wait_lines "$log" $(( before + count )) 40 || fail "the replay sent $(( $(wc -l <"$log") - before )) of $count messages"
tail -n +"$(( before + 1 ))" "$log" | grep -v '^#' >"$WORK/replayed.lines"

# The same messages in the same order.
cut -d' ' -f2- "$WORK/replayed.lines" >"$WORK/replay.messages"
cut -d' ' -f2- "$WORK/tool.notes" | cmp -s - "$WORK/replay.messages" \
  || fail "messages differ:$(diff <(cut -d' ' -f2- "$WORK/tool.notes") "$WORK/replay.messages" | head -n 10)"

# The same timing: the replay's spacing of successive messages matches the
# export's (one tick of the file is 1 ms) within 25 ms. On a loaded machine
# the scheduler may wake the window's replay late now and then, which upsets
# the spacings around that event only (the replay keeps to its clock): a few
# of them may be off, by less than a second; a replay at a wrong pace is off
# in most.
paste -d' ' <(cut -d' ' -f1 "$WORK/tool.notes") <(cut -d' ' -f1 "$WORK/replayed.lines") |
  awk 'NR > 1 { n++; d = ($1 - t) / 1000 - ($2 - s); if (d < 0) d = -d; if (d > worst) worst = d; if (d > 0.025) bad++ }
       { t = $1; s = $2 }
       END { printf "worst spacing difference %.4f s, %d of %d over 25 ms\n", worst, bad, n; exit bad > n / 10 || worst > 1 }' \
  || fail "the replay's timing differs from the export by more than 25 ms too often"

note "the window's File menu exports the same file"
open_menu alt+f
xdotool key Down Down Down Return   # 新建, 导入 MIDI, 导入 MusicXML, 导出 MIDI
dialog=$(wait_window '^导出 MIDI 文件$' 10) || fail "no export dialog"
focus "$dialog"
xdotool type --delay 20 "$WORK/window.mid"
xdotool key Return
for _ in $(seq 1 50); do [ -s "$WORK/window.mid" ] && break; sleep 0.1; done
[ -s "$WORK/window.mid" ] || fail "the window wrote no file"
cmp -s "$WORK/window.mid" "$WORK/tool.mid" || fail "the window's export differs from the score tool's"
# The message box has the program's title; the file dialog may still be
# on its way out.
done_box() { for w in $(popup_windows); do [ "$(xdotool getwindowname "$w")" = "Kelodi 7.90" ] && return 0; done; return 1; }
wait_until 10 done_box || fail "no message after the export"
xdotool key Return   # "导出完成"
wait_until 10 eval '! has_popup' || fail "the message stayed open"
"$TOOLS/wm_delete" "$win"
wait_exit "$pid" 10
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS"
echo "PASS"
