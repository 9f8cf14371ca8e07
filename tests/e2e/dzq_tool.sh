#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The score tool on files written here: both dialects, both encodings, the
# exit statuses, and conversion to the key-name dialect.
#   dzq_tool.sh BIN_DIR
set -u
bin=${1:?usage: dzq_tool.sh BIN_DIR}
tool="$bin/kelodi-dzq"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# run NAME EXPECTED_STATUS ARGS... : runs the tool, keeps stdout in $work/NAME.out
run() {
  local name=$1 expected=$2
  shift 2
  "$tool" "$@" >"$work/$name.out" 2>"$work/$name.err"
  local status=$?
  [ "$status" -eq "$expected" ] || fail "$name: exit status $status, expected $expected ($(cat "$work/$name.err"))"
}

# expect_out NAME TEXT : stdout of NAME must be exactly TEXT (printf format)
expect_out() {
  local name=$1
  printf "$2" >"$work/$name.expected"
  cmp -s "$work/$name.out" "$work/$name.expected" ||
    fail "$name: output differs:$(diff "$work/$name.expected" "$work/$name.out" | sed 's/^/  /')"
}

gbk() { iconv -f UTF-8 -t GBK; }

# Key-name dialect, GBK, full-width forms and a tempo factor.
printf '琴键倍数：2\r\n0.5，C｜0.25，抬起\r\n0.5,#c1|0.125,g2|0.1,H\r\n' | gbk >"$work/keys-gbk.dzq"
run keys-gbk 0 events "$work/keys-gbk.dzq"
expect_out keys-gbk '1.000000\t0\n0.500000\t9999\n1.000000\t25\n0.250000\t43\n'
grep -q 'skipped' "$work/keys-gbk.err" || fail "keys-gbk: the unknown key H is not reported"

# Key-name dialect, UTF-8 with a byte-order mark, no header, lone LF lines.
printf '\xEF\xBB\xBF0.1,C|0.2,抬起\n0.3,#E\n' >"$work/keys-utf8.dzq"
run keys-utf8 0 events "$work/keys-utf8.dzq"
expect_out keys-utf8 '0.100000\t0\n0.200000\t9999\n0.300000\t5\n'

# Jianpu dialect in both encodings gives the same events.
printf '简谱倍数:1\r\n音符比例:0.5\r\n音符最长:2\r\n5,1|0,0.5|1++,1\r\n#4-,2\r\n' >"$work/jianpu-utf8.dzq"
gbk <"$work/jianpu-utf8.dzq" >"$work/jianpu-gbk.dzq"
jianpu='1.000000\t19\n0.500000\t9999\n0.500000\t9999\n0.250000\t9999\n0.250000\t36\n0.500000\t9999\n0.500000\t6\n1.000000\t9999\n1.000000\t9999\n'
run jianpu-utf8 0 events "$work/jianpu-utf8.dzq"
expect_out jianpu-utf8 "$jianpu"
run jianpu-gbk 0 events "$work/jianpu-gbk.dzq"
expect_out jianpu-gbk "$jianpu"

# Nothing to play: a header alone, a jianpu score without notes.
printf '琴键倍数:1\r\n' | gbk >"$work/header-only.dzq"
run header-only 1 events "$work/header-only.dzq"
[ -s "$work/header-only.out" ] && fail "header-only: printed events"
[ -s "$work/header-only.err" ] || fail "header-only: no message on stderr"
printf '简谱倍数:1\r\n音符比例:0.5\r\n音符最长:2\r\n这里没有音符\r\n' | gbk >"$work/no-notes.dzq"
run no-notes 1 events "$work/no-notes.dzq"

# Control characters in a score are quoted in messages, never sent to the
# terminal as they are, and a NUL does not cut the message short.
printf '0.1,C|0.2,\033]0;x\007|0.3,a\000b\r\n' >"$work/control.dzq"
run control 0 events "$work/control.dzq"
grep -q $'\033' "$work/control.err" && fail "control: an escape character reached stderr"
grep -qF '"0.2,\x1B]0;x\x07"' "$work/control.err" || fail "control: the escape is not quoted: $(cat -v "$work/control.err")"
grep -qF '"0.3,a\x00b"' "$work/control.err" || fail "control: the NUL is not quoted: $(cat -v "$work/control.err")"

# Files that cannot be read and wrong calls.
run missing 2 events "$work/does-not-exist.dzq"
run folder 2 events "$work"
run no-arguments 2
run unknown-command 2 jump "$work/keys-gbk.dzq"
run extra-argument 2 events "$work/keys-gbk.dzq" more
run help 0 --help

# Conversion writes the key-name dialect in GBK, byte for byte.
run convert 0 convert "$work/jianpu-gbk.dzq" "$work/converted.dzq"
{
  printf '琴键倍数:1\r\n'
  printf '1.000 , g    | 0.500 , 抬起 | 0.500 , 抬起 | 0.250 , 抬起 | \r\n'
  printf '0.250 , c2   | 0.500 , 抬起 | 0.500 , #F   | 1.000 , 抬起 | \r\n'
  printf '1.000 , 抬起 | \r\n'
} | gbk >"$work/converted.expected"
cmp -s "$work/converted.dzq" "$work/converted.expected" || fail "convert: output file differs"
run reconverted 0 events "$work/converted.dzq"
expect_out reconverted "$jianpu"

# A conversion that fails leaves the target alone.
printf 'keep' >"$work/kept.dzq"
run convert-nothing 1 convert "$work/header-only.dzq" "$work/kept.dzq"
[ "$(cat "$work/kept.dzq")" = keep ] || fail "convert-nothing: the target was changed"
run convert-unwritable 2 convert "$work/keys-gbk.dzq" "$work/no-such-folder/out.dzq"
run convert-missing 2 convert "$work/does-not-exist.dzq" "$work/kept.dzq"
[ "$(cat "$work/kept.dzq")" = keep ] || fail "convert-missing: the target was changed"

# Only regular files are replaced: a pipe (like a device node) stays what it
# is, and the reason is given. A chain of links leads to the file at its end.
mkfifo "$work/pipe"
run convert-pipe 2 convert "$work/keys-gbk.dzq" "$work/pipe"
[ -p "$work/pipe" ] || fail "convert-pipe: the pipe was replaced"
grep -q 'not a regular file' "$work/convert-pipe.err" || fail "convert-pipe: no reason given"
ln -s kept.dzq "$work/link2" && ln -s link2 "$work/link1"
run convert-links 0 convert "$work/keys-gbk.dzq" "$work/link1"
[ -L "$work/link1" ] && [ -L "$work/link2" ] || fail "convert-links: a link was replaced"
run convert-plain 0 convert "$work/keys-gbk.dzq" "$work/plain.dzq"
cmp -s "$work/kept.dzq" "$work/plain.dzq" || fail "convert-links: the file at the end of the links was not written"

# An output that is the input, by its name or through a link, is refused
# before anything is read or written.
printf '琴键倍数:1\r\n0.1,C|0.2,抬起\r\n' | gbk >"$work/a.dzq"
cp "$work/a.dzq" "$work/a.before"
ln -s a.dzq "$work/a-link.dzq"
ln "$work/a.dzq" "$work/a-hard.dzq"
run same-convert 2 convert "$work/a.dzq" "$work/a.dzq"
run same-midi 2 midi "$work/a.dzq" "$work/a-link.dzq"
run same-render 2 render "$work/a.dzq" "$work/a-hard.dzq"
grep -qxF "kelodi-dzq: $work/a-hard.dzq is the input file $work/a.dzq; the output needs a file of its own" \
  "$work/same-render.err" || fail "same-render: $(cat "$work/same-render.err")"
cmp -s "$work/a.dzq" "$work/a.before" || fail "same: the input was changed"
run a-midi 0 midi "$work/a.dzq" "$work/a.mid"
cp "$work/a.mid" "$work/a-mid.before"
run same-from-midi 2 from-midi "$work/a.mid" "$work/a.mid"
cmp -s "$work/a.mid" "$work/a-mid.before" || fail "same-from-midi: the input was changed"

# A band in D major: a bass with more notes on track 2, a flute above it on
# track 3. The parts as the chooser lists them, the flute taken as the melody
# and moved to read in C (D E #F A as 1 2 3 5), or kept in D.
hexbytes() { printf "$(printf '%s' "$*" | tr -d ' ' | sed 's/../\\x&/g')"; }
quarter() { echo "00 9$1 $2 64 83 60 8$1 $2 00"; }
chunk() { printf 'MTrk'; hexbytes "$(printf '%08X' $(($(printf '%s' "$*" | tr -d ' ' | wc -c) / 2))) $*"; }
{
  printf 'MThd'; hexbytes 00000006 0001 0003 01E0
  chunk 00FF59020200 00FF2F00
  chunk 00FF030442617373 00C120 "$(quarter 1 26)" "$(quarter 1 2D)" "$(quarter 1 26)" "$(quarter 1 2D)" \
    "$(quarter 1 26)" "$(quarter 1 2D)" 00FF2F00
  chunk 00FF0305466C757465 00C049 "$(quarter 0 3E)" "$(quarter 0 40)" "$(quarter 0 42)" "$(quarter 0 45)" 00FF2F00
} >"$work/band.mid"
run band-list 0 from-midi --list "$work/band.mid"
expect_out band-list '2\t1\t-\t6\t1̣ – 5̣\t大贝司\tBass\t名称“Bass”像伴奏，伴奏音色，音区低，单音\n3\t0\t旋律\t4\t1̇ – 5̇\t长笛\tFlute\t独奏音色，音区最高，单音，级进为主\n'
run band-list-keep 0 from-midi --list "$work/band.mid" --transpose keep
expect_out band-list-keep '2\t1\t-\t6\t2̣ – 6̣\t大贝司\tBass\t名称“Bass”像伴奏，伴奏音色，音区低，单音\n3\t0\t旋律\t4\t2̇ – 6̇\t长笛\tFlute\t独奏音色，音区最高，单音，级进为主\n'
run band 0 from-midi "$work/band.mid" "$work/band.dzq"
[ "$(cat "$work/band.err")" = "kelodi-dzq: $work/band.mid: track 3, channel 0: 4 melody notes of 4, key D (key signature), moved 2 semitones down to read in C, 0 folded into range" ] ||
  fail "band: $(cat "$work/band.err")"
run band-read 0 events "$work/band.dzq"
expect_out band-read '0.000000\t24\n0.500000\t9999\n0.000000\t26\n0.500000\t9999\n0.000000\t28\n0.500000\t9999\n0.000000\t31\n0.500000\t9999\n'
run band-up 0 from-midi "$work/band.mid" "$work/band-up.dzq" --transpose 3
run band-up-read 0 events "$work/band-up.dzq"
expect_out band-up-read '0.000000\t29\n0.500000\t9999\n0.000000\t31\n0.500000\t9999\n0.000000\t33\n0.500000\t9999\n0.000000\t36\n0.500000\t9999\n'
run band-bad-transpose 2 from-midi "$work/band.mid" "$work/band-bad.dzq" --transpose up
[ -e "$work/band-bad.dzq" ] && fail "band-bad-transpose: a file was written"

# Nothing is written that the reader would refuse or read otherwise: more
# events than its lines hold, a delay longer than a day. Up to the limit, a
# score reads back whole and without a word.
awk 'BEGIN { printf "0.1,C|"; for (i = 1; i < 399992; i++) printf "0,C|"; printf "\r\n" }' >"$work/limit.dzq"
run limit 0 convert "$work/limit.dzq" "$work/limit-out.dzq"
run limit-read 0 events "$work/limit-out.dzq"
[ "$(wc -l <"$work/limit-read.out")" = 399992 ] || fail "limit: $(wc -l <"$work/limit-read.out") events read back"
[ -s "$work/limit-read.err" ] && fail "limit: reading back said: $(cat "$work/limit-read.err")"
printf '0,C|\r\n' >>"$work/limit.dzq"
printf 'keep' >"$work/over.dzq"
run over-limit 2 convert "$work/limit.dzq" "$work/over.dzq"
grep -qF "399993 events are more than a score file holds (399992)" "$work/over-limit.err" \
  || fail "over-limit: $(cat "$work/over-limit.err")"
[ "$(cat "$work/over.dzq")" = keep ] || fail "over-limit: the target was changed"
# Two notes with 0x0FFFFFFF ticks (about 16 days at 120 beats a minute) between them.
printf 'MThd\0\0\0\6\0\0\0\1\0\140MTrk\0\0\0\27\0\220\74\144\140\200\74\0\377\377\377\177\220\76\144\140\200\76\0\0\377\57\0' \
  >"$work/gap.mid"
run long-gap 2 from-midi "$work/gap.mid" "$work/gap.dzq"
grep -qF "cannot write $work/gap.dzq: event 3 waits 1398101.375 s; a score file holds delays from 0 to 86400 s" \
  "$work/long-gap.err" || fail "long-gap: $(cat "$work/long-gap.err")"
[ -e "$work/gap.dzq" ] && fail "long-gap: a file was written"
# A reader that reads a delay as 0 says so.
printf '0.5,C|100000,D|-1,E|0.5,抬起\r\n' >"$work/zeroed.dzq"
run zeroed 0 events "$work/zeroed.dzq"
expect_out zeroed '0.500000\t0\n0.000000\t2\n0.000000\t4\n0.500000\t9999\n'
printf '%s\n' "kelodi-dzq: $work/zeroed.dzq:1: the delay of \"100000,D\" was read as 0 (it must lie between 0 and 86400 s)" \
  "kelodi-dzq: $work/zeroed.dzq:1: the delay of \"-1,E\" was read as 0 (it must lie between 0 and 86400 s)" \
  >"$work/zeroed.expected-err"
cmp -s "$work/zeroed.err" "$work/zeroed.expected-err" || fail "zeroed: $(cat "$work/zeroed.err")"

# The shipped sample scores all play.
if [ -d "$bin/录制" ]; then
  count=0
  for score in "$bin"/录制/*.dzq; do
    [ -e "$score" ] || continue
    count=$((count + 1))
    run sample 0 events "$score"
    [ -s "$work/sample.err" ] && fail "sample $(basename "$score"): $(cat "$work/sample.err")"
  done
  [ "$count" -ge 3 ] || fail "only $count sample scores in $bin/录制"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "dzq_tool: all checks passed"
