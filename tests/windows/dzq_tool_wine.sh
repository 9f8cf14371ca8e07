#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# kelodi-dzq.exe under Wine against the Linux kelodi-dzq. For the sample
# scores and for GBK, UTF-8 and malformed files, `events` must print the same
# bytes on stdout and stderr with the same exit status, and `convert` must
# write the same file. The files have Chinese names while Wine's ANSI code
# page is English (1252), so only a program that takes its arguments and
# opens its files as wide characters finds them.
#   dzq_tool_wine.sh WIN_TOOL SAMPLES_DIR EMULATOR... (KELODI_HOST_DZQ: the Linux tool)
source "$(dirname "$0")/lib/side_by_side.bash"

# The shipped sample scores: events, and a conversion of each.
count=0
for score in "$samples"/*.dzq; do
  [ -e "$score" ] || continue
  count=$((count + 1))
  name=$(basename "$score" .dzq)
  cp "$score" "$in/"
  compare "sample-$count" events "$name.dzq"
  expect_status "sample-$count" 0
  compare "sample-$count-convert" convert "$name.dzq" "../linux/$name-转换.dzq"
  run windows "sample-$count-convert" convert "$name.dzq" "../windows/$name-转换.dzq"
  same_file "$name: converted file" "$work/linux/$name-转换.dzq" "$work/windows/$name-转换.dzq"
done
[ "$count" -ge 3 ] || fail "only $count sample scores in $samples"

# Key names in GBK: full-width forms, a tempo factor, an unknown key.
printf '琴键倍数：2\r\n0.5，C｜0.25，抬起\r\n0.5,#c1|0.125,g2|0.1,H\r\n' | gbk >"$in/键名.dzq"
# Key names in UTF-8 with a byte-order mark, no header, LF and lone CR lines.
printf '\xEF\xBB\xBF0.1,C|0.2,抬起\n0.3,#E\r0.4,b1|0.5,#g2\n' >"$in/键名-utf8.dzq"
# Jianpu in both encodings.
printf '简谱倍数:1.5\r\n音符比例:0.5\r\n音符最长:2\r\n5,1|0,0.5|1++,1\r\n#4-,2|7--,0.3|6++,1\r\n' >"$in/简谱-utf8.dzq"
gbk <"$in/简谱-utf8.dzq" >"$in/简谱-gbk.dzq"
# Malformed: bytes that start no GBK character, GBK's user-defined area, a
# lead byte cut off by the end, odd numbers and items.
{
  printf '琴键倍数:1\r\n' | gbk
  printf '0.1,C|0.2,\xFFD|0.3,\xAA\xA1|0.4,\xCC\xA7\xC6\xF0|0.5,\xA1\x40E\r\n'
  printf '1e3,C|-0.5,D|.5,E|0x10,F|nan,G|inf,A|1,,B|,C|2|0.1,C,D|   |0.25 , c \r\n'
  printf '0.1,\xC7'
} >"$in/坏字节.dzq"
# Binary junk (fixed bytes, so every run reads the same file).
python3 -c 'import random,sys; r=random.Random(7); sys.stdout.buffer.write(bytes(r.randrange(256) for _ in range(4000)))' >"$in/junk.dzq"
# More skipped items than are reported one by one.
{
  printf '琴键倍数:1\r\n'
  for i in $(seq 1 150); do printf '0.1,X%d|' "$i"; done
  printf '0.1,C\r\n'
} | gbk >"$in/skips.dzq"
# More lines than are read.
python3 -c 'import sys; sys.stdout.write("0.001,C|\r\n" * 100000 + "0.001,D|\r\n")' >"$in/long.dzq"

for file in 键名 键名-utf8 简谱-utf8 简谱-gbk 坏字节 junk skips long; do
  compare "$file" events "$file.dzq"
  compare "$file-convert" convert "$file.dzq" "../linux/$file.dzq"
  run windows "$file-convert" convert "$file.dzq" "../windows/$file.dzq"
  if [ -e "$work/linux/$file.dzq" ] || [ -e "$work/windows/$file.dzq" ]; then
    same_file "$file: converted file" "$work/linux/$file.dzq" "$work/windows/$file.dzq"
  fi
done
expect_status 键名 0
expect_status 坏字节 0
expect_status long 0

# Nothing to play.
printf '琴键倍数:1\r\n' | gbk >"$in/只有标题.dzq"
: >"$in/空.dzq"
printf '简谱倍数:1\r\n音符比例:0.5\r\n' | gbk >"$in/短简谱.dzq"
for file in 只有标题 空 短简谱; do
  compare "$file" events "$file.dzq"
  expect_status "$file" 1
done

# Files that cannot be read, and wrong calls.
mkdir "$in/文件夹.dzq"
compare missing --status-only events "不存在.dzq"
expect_status missing 2
compare folder --status-only events "文件夹.dzq"
expect_status folder 2
compare no-arguments
compare unknown-command shuffle "键名.dzq"
compare extra-argument events "键名.dzq" more
compare help --help
compare version --version

# An absolute Windows path with Chinese in it, as Explorer would pass it.
absolute=$("${emulator[@]}" winepath -w "$in/键名.dzq" 2>/dev/null | tr -d '\r')
case "$absolute" in
  ?:\\*) ;;
  *) fail "winepath gave no Windows path: '$absolute'" ;;
esac
(cd / && "${emulator[@]}" "$win_tool" events "$absolute") >"$work/windows/absolute.out" 2>/dev/null
same_file "absolute path: stdout" "$work/linux/键名.out" "$work/windows/absolute.out"

# Conversion replaces an existing file; a failed one leaves it alone.
for side in linux windows; do
  printf 'old' >"$work/$side/替换.dzq"
  run "$side" replace convert "键名.dzq" "../$side/替换.dzq"
  printf 'keep' >"$work/$side/保留.dzq"
  run "$side" keep convert "只有标题.dzq" "../$side/保留.dzq"
  run "$side" no-folder convert "键名.dzq" "../$side/没有/out.dzq"
done
expect_status replace 0
same_file "replaced file" "$work/linux/替换.dzq" "$work/windows/替换.dzq"
for side in linux windows; do
  checks=$((checks + 1))
  [ "$(cat "$work/$side/保留.dzq")" = keep ] || fail "$side: a conversion with nothing to play changed the target"
  [ "$(cat "$work/$side/keep.status")" = 1 ] || fail "$side: nothing to play did not end with status 1"
  [ "$(cat "$work/$side/no-folder.status")" = 2 ] || fail "$side: writing into a missing folder did not end with status 2"
  [ -z "$(find "$work/$side" -name '.*.tmp')" ] || fail "$side: a temporary file was left behind"
done

finish "$count sample scores"
