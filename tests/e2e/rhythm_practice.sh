#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Rhythm practice and the metronome in the real program. With 节奏练习 ticked,
# 小星星 chosen from the list starts with one bar of metronome clicks on
# channel 10 (the first accented), then runs silent at the beat while the
# script plays its keys:
# - on time: every note 准, 准确率 100 %;
# - 150 ms late: every note 晚;
# - every other note left out: those are 漏.
# Each pass goes into the song's records in the user's data folder; a new
# start compares with them ("准确率最好 100 %"), and the take of the first
# pass, saved with "保存本次演奏", replays as it was played.
source "$(dirname "$0")/lib/common.bash"
use_display
export XDG_DATA_HOME="$WORK/data"

song="$BIN/录制/小星星.dzq"
[ -f "$song" ] || fail "no sample score $song"
cp -r "$BIN" "$WORK/bin"   # the take is saved into 录制/ beside the program
BIN="$WORK/bin"
song="$BIN/录制/小星星.dzq"

declare -A white=([12]=d [14]=f [16]=g [17]=h [19]=j [21]=k [36]=z)
"$BIN/kelodi-dzq" events "$song" >"$WORK/events" || fail "kelodi-dzq cannot read $song"
# Each press: its key and its time from the song's first press, in seconds.
awk -F'\t' '{t += $1} $2 != 9999 {if (!n++) first = t; printf "%s %.6f\n", $2, t - first}' "$WORK/events" >"$WORK/notes"
notes=$(wc -l <"$WORK/notes")
for key in $(cut -d' ' -f1 "$WORK/notes" | sort -u); do
  [ -n "${white[$key]:-}" ] || fail "key $key of the song has no letter here"
done
keymap=$(for k in "${!white[@]}"; do printf '%s=%s ' "$k" "${white[$k]}"; done)

copied() { xclip -o -selection clipboard 2>/dev/null | tr '\n' '|'; }
box_text() {
  local box
  box=$(wait_window '^练习完成$' 30) || fail "no box 练习完成"
  focus "$box"
  printf '' | xclip -selection clipboard
  xdotool key ctrl+c
  has_copy() { [ -n "$(copied)" ]; }
  wait_until 5 has_copy || fail "nothing copied from the box"
  BOX=$(copied)
  note "box: $BOX"
}
close_box() {
  xdotool key Escape
  wait_until 5 sh -c "! xdotool search --onlyvisible --name '^练习完成\$' >/dev/null 2>&1" || fail "box stays"
  focus "$win"
}

# play.py calibrate|pass LOG MODE: plays the song's keys against the times
# the program's own MIDI log gives. "calibrate" presses key 36 a few times
# and writes the difference between this clock and the log's; "pass" waits
# for the count-in's four clicks in the log, takes the beat from them and
# presses each key at its note's time (MODE on, late: 150 ms after, skip:
# every other note left out).
cat >"$WORK/play.py" <<'PY'
import subprocess, sys, time
what, log, mode, work = sys.argv[1:5]
keys = dict(p.split("=") for p in sys.argv[5].split())
def lines():
    with open(log) as f:
        return [l.split() for l in f if not l.startswith("#")]
def wait_for(test, start, limit=30):
    end = time.monotonic() + limit
    while time.monotonic() < end:
        found = [l for l in lines()[start:] if test(l)]
        if found:
            return found
        time.sleep(0.005)
    sys.exit("timed out waiting in the MIDI log")
def xdo(*args):
    return subprocess.Popen(["xdotool", *args])
if what == "calibrate":
    offsets = []
    for _ in range(5):
        start = len(lines())
        sent = time.monotonic()
        xdo("key", "--delay", "30", keys["36"]).wait()
        on = wait_for(lambda l: l[1] == "90" and l[2] == "48", start)[0]
        offsets.append(sent - float(on[0]))
        time.sleep(0.2)
    offsets.sort()
    open(work + "/offset", "w").write("%.6f\n" % offsets[2])
    sys.exit(0)
offset = float(open(work + "/offset").read())
start = int(sys.argv[6])
# The whole count-in: a click may come late, never early, so the beat is
# the median spacing and the bar starts at the earliest click's place.
def clicks():
    return [float(l[0]) for l in lines()[start:] if l[1] == "99" and l[2] in ("4C", "4D")]
end = time.monotonic() + 30
while len(clicks()) < 4:
    if time.monotonic() > end:
        sys.exit("no count-in in the MIDI log")
    time.sleep(0.005)
c = clicks()[:4]
beat = sorted(b - a for a, b in zip(c, c[1:]))[1]
t0 = min(t - n * beat for n, t in enumerate(c))
first = t0 + 4 * beat
notes = [l.split() for l in open(work + "/notes")]
shift = 0.150 if mode == "late" else 0.0
plan = []
for i, (key, at) in enumerate(notes):
    if mode == "skip" and i % 2 == 1:
        continue
    plan.append((first + float(at) + shift, key))
with open(work + "/plan", "w") as f:
    f.write("%.6f\n" % beat)
    for at, key in plan:
        f.write("%s %.6f\n" % (key, at))
for at, key in plan:
    delay = at + offset - time.monotonic()
    if delay > 0:
        time.sleep(delay)
    # One xdotool at a time: a slow key-up must not overtake the next key-down.
    xdo("keydown", keys[key]).wait()
    time.sleep(0.2)
    xdo("keyup", keys[key]).wait()
PY

# played_roots: the log's root note-ons since $mark (a key sounds four notes).
played_roots() { grep -v '^#' "$log" | tail -n +"$((mark + 1))" | awk '$2 == "90" {n++; if (n % 4 == 1) print $1}'; }

# check_grades SHIFT: the box's grades are those of the presses as they reached
# the program (their note-ons in the log) against the notes' times (from the
# count-in in the log, the script's aim less SHIFT seconds). The script aims
# on the note, or SHIFT after it; on a busy machine a press may come later,
# and then its grade is the one it earned. A press within 10 ms of a window's
# edge may go either way.
check_grades() {
  local shift=$1 expected
  played_roots >"$WORK/played"
  [ "$(wc -l <"$WORK/played")" = "$(($(wc -l <"$WORK/plan") - 1))" ] \
    || fail "played $(wc -l <"$WORK/played") keys, planned $(($(wc -l <"$WORK/plan") - 1))"
  expected=$(tail -n +2 "$WORK/plan" | paste -d' ' - "$WORK/played" | awk -v s="$shift" '
    function abs(x) { return x < 0 ? -x : x }
    { o = $3 - ($2 - s); a = abs(o); if (abs($3 - $2) > w) w = abs($3 - $2)
      if (abs(a - 0.080) < 0.010 || abs(a - 0.250) < 0.010) edge++
      else if (a <= 0.080) on++; else if (o < 0) early++; else late++ }
    END { printf "%d %d %d %d %d", on, early, late, edge, w * 1000 }')
  read -r want_on want_early want_late edge worst <<<"$expected"
  note "the presses came within $worst ms of the aim; expected 准 $want_on 早 $want_early 晚 $want_late ($edge at an edge)"
  got_on=$(sed 's/.*|准：\([0-9]*\) 个.*/\1/' <<<"$BOX")
  got_early=$(sed 's/.*|早：\([0-9]*\) 个.*/\1/' <<<"$BOX")
  got_late=$(sed 's/.*|晚：\([0-9]*\) 个.*/\1/' <<<"$BOX")
  awk -v a="$got_on" -v b="$want_on" -v c="$got_early" -v d="$want_early" -v e="$got_late" -v f="$want_late" -v g="$edge" \
    'BEGIN {exit !(a >= b && a <= b + g && c >= d && c <= d + g && e >= f && e <= f + g && a + c + e == b + d + f + g)}' \
    || fail "the box's grades (准 $got_on 早 $got_early 晚 $got_late) are not those of the presses as played"
}

launch rhythm
note "节奏练习 through the menu; calibrating the key path"
choose_menu_item p r
python3 "$WORK/play.py" calibrate "$log" on "$WORK" "$keymap" || fail "calibration"

run_pass() {
  local mode=$1
  mark=$(grep -vc '^#' "$log")
  choose_menu_item q Down Return
  python3 "$WORK/play.py" pass "$log" "$mode" "$WORK" "$keymap" "$mark" || fail "pass $mode"
}

note "pass 1: on time"
run_pass on
box_text
check_grades 0
beat=$(head -n 1 "$WORK/plan")
# The clicks up to the first note: one bar, the first accented, at the beat.
grep -v '^#' "$log" | tail -n +"$((mark + 1))" | awk '$2 == "99" {print $1, $3, $4}' >"$WORK/clicks"
first_note=$(sed -n 2p "$WORK/plan" | cut -d' ' -f2)
count_in=$(awk -v f="$first_note" -v o="$(cat "$WORK/offset")" '$1 < f - 0.03 {n++} END {print n + 0}' "$WORK/clicks")
[ "$count_in" = 4 ] || fail "count-in of $count_in clicks, not one bar of 4"
head -n 1 "$WORK/clicks" | grep -q ' 4C 7F$' || fail "the first click is not the accented one: $(head -n 1 "$WORK/clicks")"
sed -n 2,4p "$WORK/clicks" | awk '$2 != "4D" {exit 1}' || fail "beats 2-4 are not plain clicks"
awk -v b="$beat" 'NR > 1 {d = $1 - p - b; if (d < 0) d = -d; if (d > 0.02) exit 1} {p = $1}' "$WORK/clicks" \
  || fail "the clicks are not a beat ($beat s) apart"
case "$BOX" in "练习完成|音符：$notes 个|"*"|漏：0 个|错：0 次|准确率：$((100 * want_on / notes)) %|"*"|第一次这样练习这首曲子") ;;
  *) fail "on time: box reads '$BOX'" ;; esac
close_box

note "pass 2: 150 ms late"
run_pass late
box_text
check_grades 0.150
case "$BOX" in "练习完成|音符：$notes 个|"*"|漏：0 个|错：0 次|准确率：$((100 * want_on / notes)) %|平均偏差：晚 "*"|准确率最好 "*" %") ;;
  *) fail "late: box reads '$BOX'" ;; esac
close_box

note "pass 3: every other note left out"
run_pass skip
box_text
check_grades 0
half=$((notes / 2))
case "$BOX" in "练习完成|音符：$notes 个|"*"|漏：$half 个|错：0 次|"*) ;;
  *) fail "skipping: box reads '$BOX'" ;; esac
close_box

"$TOOLS/wm_delete" "$win"
wait_exit "$pid" 10
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS"

note "after a restart the records are there"
launch rhythm2
choose_menu_item p r
python3 "$WORK/play.py" calibrate "$log" on "$WORK" "$keymap" || fail "calibration"
last_accuracy=$(sed 's/.*|准确率：\([0-9]*\) %.*/\1/' <<<"$BOX")
run_pass on
box_text
check_grades 0
accuracy=$((100 * want_on / notes))
# Compared with the last pass before the restart.
if [ "$accuracy" -gt "$last_accuracy" ]; then compare="准确率比上次高 $((accuracy - last_accuracy)) %"
elif [ "$accuracy" -lt "$last_accuracy" ]; then compare="准确率比上次低 $((last_accuracy - accuracy)) %"
else compare="准确率和上次一样"; fi
case "$BOX" in *"||$compare|准确率最好 "*) ;; *) fail "after a restart: box reads '$BOX', expected '$compare'" ;; esac
note "保存本次演奏: the take goes into 录制/ and holds the keys as played"
xdotool key alt+s
wait_until 5 sh -c "! xdotool search --onlyvisible --name '^练习完成\$' >/dev/null 2>&1" || fail "box stays after saving"
focus "$win"
take=$(ls "$BIN/录制/" | grep '^小星星 练习 .*\.dzq$' | head -n 1)
[ -n "$take" ] || fail "no take saved in 录制/: $(ls "$BIN/录制/")"
"$BIN/kelodi-dzq" events "$BIN/录制/$take" >"$WORK/take" || fail "the take cannot be read"
# Its presses: the song's keys, spaced as the log shows them played.
awk -F'\t' '{t += $1} $2 != 9999 {print $2, t}' "$WORK/take" >"$WORK/take.presses"
diff <(cut -d' ' -f1 "$WORK/take.presses") <(cut -d' ' -f1 "$WORK/notes") >/dev/null || fail "the take's keys are not the song's"
paste -d' ' "$WORK/take.presses" "$WORK/played" | awk 'NR == 1 {t0 = $2; p0 = $3} {d = ($2 - t0) - ($3 - p0); if (d < 0) d = -d; if (d > 0.03) exit 1}' \
  || fail "the take's timing is not the played one"

note "the take, played from the list without practice, sounds as it was played"
choose_menu_item p r
mark=$(grep -vc '^#' "$log")
choose_menu_item q Down Return
all_replayed() { [ "$(played_roots | wc -l)" -ge "$notes" ]; }
wait_until 90 all_replayed || fail "the take did not replay its $notes notes"
# Each spacing between two presses as played; a replay waits each delay from
# the event before, so one late event on a busy machine does not count twice.
played_roots | head -n "$notes" | paste -d' ' - "$WORK/played" \
  | awk 'NR > 1 {d = ($1 - r) - ($2 - p); if (d < 0) d = -d; if (d > w) w = d} {r = $1; p = $2} END {print w; exit !(w <= 0.06)}' \
  >"$WORK/replay.worst" || fail "a spacing of the replay is off the playing by $(cat "$WORK/replay.worst") s"

"$TOOLS/wm_delete" "$win"
wait_exit "$pid" 10
echo "PASS"
