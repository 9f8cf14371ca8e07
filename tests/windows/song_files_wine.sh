#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# kelodi-dzq.exe's MIDI export and import under Wine against the Linux
# kelodi-dzq: `midi` writes the same .mid bytes for every sample score and
# panel, `from-midi` writes the same .dzq bytes and says the same on stderr,
# both end with the same status on bad calls and broken files and leave an
# old file alone when they fail. `render` needs the embedded synthesizer,
# which the Windows cross build lacks: it says so and writes nothing.
#   song_files_wine.sh WIN_TOOL SAMPLES_DIR EMULATOR... (KELODI_HOST_DZQ: the Linux tool)
source "$(dirname "$0")/lib/side_by_side.bash"

# compare_files NAME FILE ARGS... : compare NAME ARGS, where ARGS write
# ../SIDE/FILE; the two files must be the same bytes (or both missing).
compare_files() {
  local name=$1 file=$2
  shift 2
  local args=("${@//@OUT@/../linux/$file}")
  run linux "$name" "${args[@]}"
  args=("${@//@OUT@/../windows/$file}")
  run windows "$name" "${args[@]}"
  same_status_and_stdout "$name"
  # The output path is named in messages; each side names its own.
  same_file "$name: stderr" <(sed "s#\.\./linux/#../SIDE/#g" "$work/linux/$name.err") \
    <(sed "s#\.\./windows/#../SIDE/#g" "$work/windows/$name.err")
  if [ -e "$work/linux/$file" ] || [ -e "$work/windows/$file" ]; then
    same_file "$name: $file" "$work/linux/$file" "$work/windows/$file"
  fi
}

# midi: every sample score with a few panels, and the imports of those files.
panels=("" "--program 73 --channel 3 --octave 1" "--chord 9 --octave -3" "--chord=10 --channel=9 --program 127")
count=0
for score in "$samples"/*.dzq; do
  [ -e "$score" ] || continue
  count=$((count + 1))
  name=$(basename "$score" .dzq)
  cp "$score" "$in/"
  for p in "${!panels[@]}"; do
    # shellcheck disable=SC2086 # the panel is a list of words
    compare_files "midi-$count-$p" "$name-$p.mid" midi "$name.dzq" @OUT@ ${panels[$p]}
    expect_status "midi-$count-$p" 0
  done
  # What the Linux tool exported comes back as a melody.
  cp "$work/linux/$name-0.mid" "$in/"
  compare_files "from-midi-$count" "$name-导入.dzq" from-midi "$name-0.mid" @OUT@
  expect_status "from-midi-$count" 0
done
[ "$count" -ge 3 ] || fail "only $count sample scores in $samples"

# midi from scores in both encodings, and wrong calls.
printf '简谱倍数:1.5\r\n音符比例:0.5\r\n音符最长:2\r\n5,1|0,0.5|1++,1\r\n#4-,2|7--,0.3|6++,1\r\n' | gbk >"$in/简谱.dzq"
printf '\xEF\xBB\xBF0.1,C|0.2,抬起\n0.3,#E\r0.4,b1|0.5,#g2\n' >"$in/键名-utf8.dzq"
printf '琴键倍数:1\r\n' | gbk >"$in/只有标题.dzq"
compare_files midi-jianpu 简谱.mid midi 简谱.dzq @OUT@ --chord 3
compare_files midi-utf8 键名-utf8.mid midi 键名-utf8.dzq @OUT@
compare_files midi-nothing 空.mid midi 只有标题.dzq @OUT@
expect_status midi-nothing 1
for bad in "--program 128" "--octave 5" "--chord two" "--speed 2" "--channel"; do
  # shellcheck disable=SC2086
  compare_files "midi-bad-${bad// /}" x.mid midi 简谱.dzq @OUT@ $bad
  expect_status "midi-bad-${bad// /}" 2
done
compare midi-one-file midi 简谱.dzq
compare midi-missing --status-only midi 不存在.dzq x.mid
expect_status midi-missing 2

# from-midi on files other programs write, and on broken ones.
python3 "$(dirname "$0")/lib/midi_files.py" "$in" || fail "cannot make the MIDI files"
for file in 乐队 连续状态 截断 半个事件 无状态 空 文本; do
  compare_files "from-midi-$file" "$file.dzq" from-midi "$file.mid" @OUT@
done
expect_status from-midi-乐队 0
expect_status from-midi-连续状态 0
expect_status from-midi-截断 2
for choice in "--track 2" "--track 3" "--track 4" "--channel 9" "--channel=0" "--channel 16" "--track 0"; do
  # shellcheck disable=SC2086
  compare_files "from-midi-${choice// /}" "乐队${choice// /}.dzq" from-midi 乐队.mid @OUT@ $choice
done
expect_status from-midi---track3 1
expect_status from-midi---track4 2
compare from-midi-missing --status-only from-midi 不存在.mid x.dzq

# A failed export or import leaves the old file as it was, and no temporary.
for side in linux windows; do
  printf 'keep' >"$work/$side/保留.mid"
  printf 'keep' >"$work/$side/保留.dzq"
  run "$side" keep-mid midi 只有标题.dzq "../$side/保留.mid"
  run "$side" keep-dzq from-midi 截断.mid "../$side/保留.dzq"
  run "$side" no-folder-mid midi 简谱.dzq "../$side/没有/x.mid"
  run "$side" no-folder-dzq from-midi 乐队.mid "../$side/没有/x.dzq"
  checks=$((checks + 1))
  [ "$(cat "$work/$side/保留.mid")" = keep ] || fail "$side: an export with nothing to play changed the target"
  [ "$(cat "$work/$side/保留.dzq")" = keep ] || fail "$side: an import of a broken file changed the target"
  [ "$(cat "$work/$side/no-folder-mid.status")" = 2 ] || fail "$side: exporting into a missing folder did not end with status 2"
  [ "$(cat "$work/$side/no-folder-dzq.status")" = 2 ] || fail "$side: importing into a missing folder did not end with status 2"
  [ -z "$(find "$work/$side" -name '.*.tmp')" ] || fail "$side: a temporary file was left behind"
done

# render: not in this build, said before anything is read or written; a
# wrong call is still a wrong call.
run windows render render 简谱.dzq 简谱.wav
expect_status render 2 windows
checks=$((checks + 1))
[ "$(cat "$work/windows/render.err")" = "kelodi-dzq: render is not available in this build: it has no embedded synthesizer" ] ||
  fail "render said: $(cat "$work/windows/render.err")"
[ ! -e "$in/简谱.wav" ] || fail "render wrote a file"
run windows render-missing render 不存在.dzq x.wav --soundfont 不存在.sf2
expect_status render-missing 2 windows
grep -q 'not available in this build' "$work/windows/render-missing.err" || fail "render-missing said: $(cat "$work/windows/render-missing.err")"
compare render-bad --status-only render 简谱.dzq x.wav --program 200
compare render-one-file render 简谱.dzq

finish "$count sample scores"
