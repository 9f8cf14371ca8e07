#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The score tool's export and import on real files, read and written by
# other programs: midicsv reads the exported MIDI file, FluidSynth's own
# command line renders it for comparison, abc2midi writes the melodies to
# import. Exit statuses and the files left behind on failure.
source "$(dirname "$0")/lib/common.bash"
tool="$BIN/kelodi-dzq"
for program in midicsv abc2midi fluidsynth; do
  command -v "$program" >/dev/null || fail "$program is not installed (scripts/install-deps)"
done
lib="$(dirname "$0")/lib"
sf=/usr/share/sounds/sf2/FluidR3_GM.sf2

# run EXPECTED_STATUS ARGS...: the tool's status must be EXPECTED; stderr in $WORK/err
run() {
  local expected=$1 status=0
  shift
  "$tool" "$@" >"$WORK/out" 2>"$WORK/err" || status=$?
  [ "$status" -eq "$expected" ] || fail "kelodi-dzq $*: status $status, expected $expected: $(cat "$WORK/err")"
}
gbk() { iconv -f UTF-8 -t GBK; }

note "--version"
run 0 --version
[ "$(cat "$WORK/out")" = "kelodi-dzq 7.90" ] || fail "--version printed: $(cat "$WORK/out")"

note "midi: a format 0 file with 1 ms ticks, read by midicsv"
printf '琴键倍数:1\r\n0.1,C|0.25,抬起|0.125,#c1|0.5,抬起\r\n' | gbk >"$WORK/two.dzq"
run 0 midi "$WORK/two.dzq" "$WORK/two.mid" --program 73 --channel 3 --octave 1
midicsv "$WORK/two.mid" >"$WORK/two.csv"
cat >"$WORK/two.expected" <<'CSV'
0, 0, Header, 0, 1, 1000
1, 0, Start_track
1, 0, Tempo, 1000000
1, 0, Program_c, 3, 73
1, 100, Note_on_c, 3, 48, 100
1, 350, Note_off_c, 3, 48, 0
1, 475, Note_on_c, 3, 73, 100
1, 975, Note_off_c, 3, 73, 0
1, 1975, End_track
0, 0, End_of_file
CSV
diff "$WORK/two.expected" "$WORK/two.csv" >"$WORK/diff" || fail "midicsv reads:$(cat "$WORK/diff")"

note "midi: wrong calls and unusable files"
run 2 midi "$WORK/two.dzq" "$WORK/x.mid" --program 128
run 2 midi "$WORK/two.dzq" "$WORK/x.mid" --octave 5
run 2 midi "$WORK/two.dzq" "$WORK/x.mid" --chord two
run 2 midi "$WORK/two.dzq" "$WORK/x.mid" --speed 2
run 2 midi "$WORK/two.dzq"
run 2 midi "$WORK/missing.dzq" "$WORK/x.mid"
printf '琴键倍数:1\r\n' | gbk >"$WORK/empty.dzq"
run 1 midi "$WORK/empty.dzq" "$WORK/x.mid"
[ -e "$WORK/x.mid" ] && fail "a failed export left $WORK/x.mid"
printf 'keep' >"$WORK/kept.mid"
run 2 midi "$WORK/two.dzq" "$WORK/no-such-folder/x.mid"
run 1 midi "$WORK/empty.dzq" "$WORK/kept.mid"
[ "$(cat "$WORK/kept.mid")" = keep ] || fail "a failed export changed the existing file"

note "render: the first note's pitch and the length, against fluidsynth -F"
# Key 21 ("a") as a single note is A3, 220 Hz; it sounds from 0.1 s to 1.1 s.
printf '0.1,a|1.0,抬起\r\n' >"$WORK/a.dzq"
run 0 midi "$WORK/a.dzq" "$WORK/a.mid"
run 0 render "$WORK/a.dzq" "$WORK/a.wav" --soundfont "$sf"
fluidsynth -ni -q -F "$WORK/a-fs.wav" -r 44100 "$sf" "$WORK/a.mid" >/dev/null 2>&1 || fail "fluidsynth -F failed"
python3 - "$WORK/a.wav" <<'PY' || fail "a.wav is not 3.1 s of 44.1 kHz 16-bit stereo"
import sys, wave
w = wave.open(sys.argv[1])
ok = (w.getframerate(), w.getnchannels(), w.getsampwidth()) == (44100, 2, 2) and abs(w.getnframes() - 3.1 * 44100) <= 1
sys.exit(0 if ok else 1)
PY
ours=$(python3 "$lib/pitch.py" "$WORK/a.wav") || fail "no pitch in the render ($ours)"
theirs=$(python3 "$lib/pitch.py" "$WORK/a-fs.wav") || fail "no pitch in fluidsynth's render ($theirs)"
note "pitch $ours Hz, fluidsynth -F $theirs Hz"
python3 -c "import sys; a, b = float('$ours'), float('$theirs'); sys.exit(0 if abs(a - 220) / 220 < 0.03 and abs(a - b) / b < 0.01 else 1)" \
  || fail "pitch $ours Hz, fluidsynth -F $theirs Hz, expected 220 Hz"

note "render: failures leave no file"
run 2 render "$WORK/a.dzq" "$WORK/b.wav" --soundfont "$WORK/a.dzq"
run 2 render "$WORK/a.dzq" "$WORK/no-such-folder/b.wav" --soundfont "$sf"
[ -z "$(ls -A "$WORK" | grep -E '\.wav\..*\.tmp$')" ] || fail "a temporary file was left"
# A render cut short: by Ctrl+C, by the terminal going (SIGHUP) or by
# SIGKILL. Ctrl+C and SIGHUP end it with status 130; nothing of the new file
# stays, in whatever form, and the old one is as it was.
{
  printf '琴键倍数:1\r\n'
  for i in $(seq 1 600); do printf '0.5,c|0.5,抬起|0.5,g|0.5,抬起|\r\n'; done
} | gbk >"$WORK/long.dzq"
# writing PID: the process holds a file open in $WORK other than the score
# and its stderr, named or not.
writing() {
  local fd target
  for fd in /proc/"$1"/fd/*; do
    target=$(readlink "$fd" 2>/dev/null) || continue
    case "$target" in "$WORK/long.dzq" | "$WORK/err") ;; "$WORK"/*) return 0 ;; esac
  done
  return 1
}
for signal in INT HUP KILL; do
  printf 'old' >"$WORK/long.wav"
  "$tool" render "$WORK/long.dzq" "$WORK/long.wav" --soundfont "$sf" --chord 9 2>"$WORK/err" &
  render=$!
  for _ in $(seq 1 600); do
    writing "$render" && break
    sleep 0.05
  done
  writing "$render" || fail "the render never started writing: $(cat "$WORK/err")"
  kill -"$signal" "$render"
  status=0
  { wait "$render"; } 2>/dev/null || status=$?
  expected=130
  [ "$signal" = KILL ] && expected=137
  [ "$status" = "$expected" ] || fail "a render ended by SIG$signal ended with status $status, expected $expected"
  [ "$(ls -A "$WORK" | grep long.wav)" = long.wav ] || fail "SIG$signal: the render left $(ls -A "$WORK" | grep long.wav)"
  [ "$(cat "$WORK/long.wav")" = old ] || fail "SIG$signal: the old long.wav was changed"
done

note "from-midi: a melody written in ABC notation, with a tempo change"
cat >"$WORK/tune.abc" <<'ABC'
X:1
T:Tune
M:4/4
L:1/4
Q:1/4=120
K:C
C D E F | [Q:1/4=60] G2 z G | c/2B/2 A G2 |]
ABC
abc2midi "$WORK/tune.abc" -o "$WORK/tune.mid" >/dev/null 2>&1 || fail "abc2midi failed"
run 0 from-midi "$WORK/tune.mid" "$WORK/tune.dzq"
iconv -f GBK -t UTF-8 "$WORK/tune.dzq" | head -n 1 | grep -q '^琴键倍数:1' || fail "tune.dzq is no GBK key-name file"
run 0 events "$WORK/tune.dzq"
# Presses: key and onset (s); releases at the end of each note.
awk '{t += $1} $2 != 9999 {printf "%d %.3f\n", $2, t}' "$WORK/out" >"$WORK/tune.onsets"
printf '%s\n' "24 0.000" "26 0.500" "28 1.000" "29 1.500" "31 2.000" "31 5.000" "36 6.000" "35 6.500" "33 7.000" \
  "31 8.000" >"$WORK/tune.expected"
paste -d' ' "$WORK/tune.expected" "$WORK/tune.onsets" |
  awk '$1 != $3 { bad = 1 } { d = $2 - $4; if (d < 0) d = -d; if (d > 0.005) bad = 1 } END { exit bad }' \
  || fail "imported onsets differ:$(paste "$WORK/tune.expected" "$WORK/tune.onsets")"
[ "$(grep -c 9999 "$WORK/out")" = 10 ] || fail "expected a release after each of the 10 notes"

note "from-midi: the melody line of a chord track beside a busier drum track"
cat >"$WORK/band.abc" <<'ABC'
X:1
T:Band
M:4/4
L:1/4
Q:1/4=100
K:G
V:1
[GBd] e [Bd] d/2c/2 | [DGB]2 [FAc]2 |]
V:2
%%MIDI channel 10
A,/2A,/2A,/2A,/2 A,/2A,/2A,/2A,/2 | A,/2A,/2A,/2A,/2 A,/2A,/2A,/2A,/2 |]
ABC
abc2midi "$WORK/band.abc" -o "$WORK/band.mid" >/dev/null 2>&1 || fail "abc2midi failed"
run 0 from-midi "$WORK/band.mid" "$WORK/band.dzq"
run 0 events "$WORK/band.dzq"
# D E D D C B C in G, moved to read in C: 5 6 5 5 4 3 4.
[ "$(awk '$2 != 9999 {printf "%s ", $2}' "$WORK/out")" = "31 33 31 31 29 28 29 " ] \
  || fail "melody keys: $(awk '$2 != 9999 {printf "%s ", $2}' "$WORK/out")"
run 1 from-midi "$WORK/band.mid" "$WORK/drums.dzq" --track 3
run 2 from-midi "$WORK/band.mid" "$WORK/x.dzq" --track 4
run 2 from-midi "$WORK/band.mid" "$WORK/x.dzq" --channel 16

note "from-midi: malformed files are refused with a reason"
size=$(stat -c %s "$WORK/band.mid")
head -c $(( size - 10 )) "$WORK/band.mid" >"$WORK/cut.mid"
run 2 from-midi "$WORK/cut.mid" "$WORK/x.dzq"
grep -q 'runs past the end' "$WORK/err" || fail "truncated file: $(cat "$WORK/err")"
printf 'MThd\0\0\0\6\0\0\0\1\0\140MTrk\0\0\0\3\0\220\74' >"$WORK/short-event.mid"
run 2 from-midi "$WORK/short-event.mid" "$WORK/x.dzq"
grep -q 'inside a channel message' "$WORK/err" || fail "cut event: $(cat "$WORK/err")"
printf 'MThd\0\0\0\6\0\0\0\1\0\140MTrk\0\0\0\4\0\74\144\0' >"$WORK/no-status.mid"
run 2 from-midi "$WORK/no-status.mid" "$WORK/x.dzq"
grep -q 'running status' "$WORK/err" || fail "running status without a status: $(cat "$WORK/err")"
run 2 from-midi "$WORK/two.dzq" "$WORK/x.dzq"
[ -e "$WORK/x.dzq" ] && fail "a failed import left a file"
echo "PASS"
