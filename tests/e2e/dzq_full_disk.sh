#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The score tool's saves on a full disk and in a folder the user may not write
# to: each failure exits with status 2 and the real cause, the old file stays
# byte for byte, and nothing is left beside it. The disk is a small tmpfs in a
# mount namespace of the script's own, so it goes when the script does.
#   dzq_full_disk.sh BIN_DIR
if [ -z "${KELODI_OWN_MOUNTS:-}" ]; then
  # root may mount in a namespace of its own; another user first becomes root
  # of a user namespace of its own.
  if [ "$(id -u)" = 0 ]; then flags=(--mount); else flags=(--map-root-user --mount); fi
  if ! unshare "${flags[@]}" true 2>/dev/null; then
    echo "SKIP: no mount namespace of our own here (unshare ${flags[*]} is refused)"
    exit 77
  fi
  KELODI_OWN_MOUNTS=1 exec unshare "${flags[@]}" bash "$0" "$@"
fi
source "$(dirname "$0")/lib/common.bash"
tool="$BIN/kelodi-dzq"
sf=/usr/share/sounds/sf2/FluidR3_GM.sf2
[ -f "$sf" ] || fail "no SoundFont at $sf (scripts/install-deps)"
gbk() { iconv -f UTF-8 -t GBK; }

disk="$WORK/disk"
mkdir "$disk"
if ! mount -t tmpfs -o size=8m,mode=755 tmpfs "$disk" 2>"$WORK/mount.err"; then
  echo "SKIP: cannot mount a tmpfs here: $(cat "$WORK/mount.err")"
  exit 77
fi
trap 'umount "$disk" 2>/dev/null; _cleanup' EXIT

# run EXPECTED_STATUS ARGS...: the tool's status must be EXPECTED; stderr in
# $WORK/err. It runs through the command in $as (none: as this user).
as=()
run() {
  local expected=$1 status=0
  shift
  "${as[@]}" "$tool" "$@" >"$WORK/out" 2>"$WORK/err" || status=$?
  [ "$status" -eq "$expected" ] || fail "${as[*]} kelodi-dzq $*: status $status, expected $expected: $(cat "$WORK/err")"
}
# fill KIB: fills the disk up, then frees KIB kilobytes again.
fill() {
  rm -f "$disk/fill"
  head -c 64m /dev/zero >"$disk/fill" 2>/dev/null || true
  [ "$1" -gt 0 ] && truncate -s "-${1}K" "$disk/fill"
  return 0
}
# only_files NAME...: the disk holds exactly these files (and the filler).
only_files() {
  local expected actual
  expected=$(printf '%s\n' fill "$@" | sort)
  actual=$(ls -A "$disk" | sort)
  [ "$expected" = "$actual" ] || fail "the disk holds $(echo $actual), expected $(echo $expected)"
}
# unchanged NAME...: each file on the disk is byte for byte its copy in $WORK/kept.
unchanged() {
  for name in "$@"; do
    cmp -s "$disk/$name" "$WORK/kept/$name" || fail "$name changed: $(stat -c %s "$disk/$name") bytes, was $(stat -c %s "$WORK/kept/$name")"
  done
}
said() { grep -q "$1" "$WORK/err" || fail "the reason is not \"$1\": $(cat "$WORK/err")"; }

# The old files: a short song's. The new ones are larger: a song of 20 s (a
# 3.5 MB WAV file), and a score of 40,000 events whose key-name and MIDI files
# are some hundred kilobytes.
printf '琴键倍数:1\r\n0.1,C|0.1,抬起\r\n' | gbk >"$WORK/short.dzq"
for i in $(seq 1 20); do printf '0.5,c|0.5,抬起|'; done | gbk >"$WORK/song.dzq"
awk 'BEGIN { for (i = 0; i < 20000; i++) printf "0.01,C|0.01,抬起|" }' >"$WORK/long.dzq"

note "the files as written with room to spare"
mkdir "$WORK/kept" "$WORK/new"
run 0 render "$WORK/short.dzq" "$WORK/kept/out.wav" --soundfont "$sf"
run 0 convert "$WORK/short.dzq" "$WORK/kept/out.dzq"
run 0 midi "$WORK/short.dzq" "$WORK/kept/out.mid"
run 0 render "$WORK/song.dzq" "$WORK/new/out.wav" --soundfont "$sf"
run 0 convert "$WORK/long.dzq" "$WORK/new/out.dzq"
run 0 midi "$WORK/long.dzq" "$WORK/new/out.mid" --chord 9
[ "$(stat -c %s "$WORK/new/out.dzq")" -gt 300000 ] && [ "$(stat -c %s "$WORK/new/out.mid")" -gt 300000 ] \
  || fail "the score's files are too small for the test: $(ls -l "$WORK/new")"
cp "$WORK/kept/out.wav" "$WORK/kept/out.dzq" "$WORK/kept/out.mid" "$disk/"

note "a full disk: every save fails with its cause, and the old files stay"
fill 0
run 2 render "$WORK/song.dzq" "$disk/out.wav" --soundfont "$sf"
said "No space left on device"
run 2 convert "$WORK/long.dzq" "$disk/out.dzq"
said "No space left on device"
run 2 midi "$WORK/long.dzq" "$disk/out.mid" --chord 9
said "No space left on device"
unchanged out.wav out.dzq out.mid
only_files out.wav out.dzq out.mid

note "a full disk and new names: nothing appears"
run 2 render "$WORK/song.dzq" "$disk/new.wav" --soundfont "$sf"
said "No space left on device"
run 2 from-midi "$WORK/new/out.mid" "$disk/new.dzq"
said "No space left on device"
only_files out.wav out.dzq out.mid

# A folder of root's, files of the user's: the files are rewritten in place,
# and only when the room for the whole new content can be reserved first.
if [ "$(id -u)" != 0 ] || ! setpriv --reuid=65534 --regid=65534 --clear-groups true 2>/dev/null; then
  note "SKIP the folder the user cannot write to: cannot become another user here"
  echo "PASS"
  exit 0
fi
as=(env TMPDIR=/tmp setpriv --reuid=65534 --regid=65534 --clear-groups)
chown 65534:65534 "$disk"/out.*
chmod 755 "$WORK"
chmod 644 "$WORK"/*.dzq

note "in place with 256 KiB free: refused, the old files as they were"
fill 256
run 2 render "$WORK/song.dzq" "$disk/out.wav" --soundfont "$sf"
said "No space left on device"
run 2 convert "$WORK/long.dzq" "$disk/out.dzq"
said "No space left on device"
run 2 midi "$WORK/long.dzq" "$disk/out.mid" --chord 9
said "No space left on device"
unchanged out.wav out.dzq out.mid
only_files out.wav out.dzq out.mid

note "in place with room: the files are rewritten whole"
rm "$disk/fill" && touch "$disk/fill"
run 0 render "$WORK/song.dzq" "$disk/out.wav" --soundfont "$sf"
run 0 convert "$WORK/long.dzq" "$disk/out.dzq"
run 0 midi "$WORK/long.dzq" "$disk/out.mid" --chord 9
for name in out.wav out.dzq out.mid; do
  cmp -s "$disk/$name" "$WORK/new/$name" || fail "$name rewritten in place differs from the one written anew"
done
only_files out.wav out.dzq out.mid
echo "PASS"
