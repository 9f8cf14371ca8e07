#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# `cmake --install` into an empty prefix gives exactly the expected files, and
# each desktop file is one the desktop accepts: the entry and the metadata pass
# their validators, the MIME type builds into a MIME database, the icons have
# the size their folder says, the man pages format without warnings in a
# default user's POSIX locale and in UTF-8 (where the POSIX locale cannot show
# a Chinese page, it points to the English one), the Chinese ones say what the
# English ones say, and the copyright file and the changelog hold what Debian
# asks of them.
#   installed_files.sh BUILD_DIR EXPECTED_LIST SOURCE_DIR
set -euo pipefail
usage="usage: installed_files.sh BUILD_DIR EXPECTED_LIST SOURCE_DIR"
build=${1:?$usage}
expected=${2:?$usage}
source=${3:?$usage}
docs="$(dirname "$0")/package_docs.py"
work=$(mktemp -d "${TMPDIR:-/tmp}/kelodi-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log" >&2; fail "install failed"; }

(cd "$prefix" && find . \( -type f -o -type l \) -printf '%P\n' | LC_ALL=C sort) >"$work/found"
LC_ALL=C sort "$expected" | diff -u - "$work/found" || fail "installed files differ from $expected"
[ -z "$(find "$prefix" -type d -empty)" ] || fail "empty folders installed: $(find "$prefix" -type d -empty)"

share="$prefix/share"
desktop="$share/applications/cn.kelodi.kelodi.desktop"
# Errors that are not fatal yet still print "error:" and exit 0.
desktop-file-validate "$desktop" >"$work/desktop.out" 2>&1 || { cat "$work/desktop.out" >&2; fail "desktop entry invalid"; }
if grep -E ': (error|warning):' "$work/desktop.out" >&2; then fail "desktop entry has errors or warnings"; fi
grep -qx 'MimeType=text/x-dzq;' "$desktop" || fail "the desktop entry does not open .dzq files"
grep -qx 'Exec=kelodi %f' "$desktop" || fail "the desktop entry does not hand the file to kelodi"

metainfo="$share/metainfo/cn.kelodi.kelodi.metainfo.xml"
# Not a single remark, down to the pedantic ones.
appstreamcli validate --pedantic --no-net "$metainfo" >"$work/appstream.out" 2>&1 \
  || { cat "$work/appstream.out" >&2; fail "AppStream metadata invalid"; }
if grep -E '^[EWIP]: ' "$work/appstream.out" >&2; then fail "the AppStream validator has remarks"; fi
version=$("$prefix/bin/kelodi-dzq" --version | sed 's/^kelodi-dzq //')
python3 "$docs" releases "$share/doc/kelodi/changelog.gz" "$metainfo" "$version" >&2 \
  || fail "the changelog and the metadata's releases differ"
python3 "$docs" copyright "$source" "$share/doc/kelodi/copyright" >&2 || fail "the copyright file is incomplete"

# The MIME type must compile, and *.dzq must name it.
cp -r "$share/mime" "$work/mime"
XDG_DATA_HOME="$work" update-mime-database "$work/mime" 2>"$work/mime.out" || { cat "$work/mime.out" >&2; fail "update-mime-database failed"; }
[ ! -s "$work/mime.out" ] || { cat "$work/mime.out" >&2; fail "the MIME entry has problems"; }
grep -q ':text/x-dzq:\*\.dzq' "$work/mime/globs2" || fail "*.dzq is not text/x-dzq: $(cat "$work/mime/globs2")"

for png in "$share"/icons/hicolor/*x*/apps/*.png; do
  size=$(basename "$(dirname "$(dirname "$png")")")
  got=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); assert d[:8]==b"\x89PNG\r\n\x1a\n"; print("%dx%d" % struct.unpack(">II", d[16:24]))' "$png") \
    || fail "$png is not a PNG image"
  [ "$got" = "$size" ] || fail "$png is $got"
done
svg="$share/icons/hicolor/scalable/apps/cn.kelodi.kelodi.svg"
python3 -c 'import sys, xml.etree.ElementTree as t; r=t.parse(sys.argv[1]).getroot(); assert r.tag.endswith("svg") and len(list(r.iter())) > 10' "$svg" \
  || fail "the scalable icon is not a drawing"

# The help text opens in Windows Notepad too: UTF-8 with a byte-order mark,
# every line ended by CR LF.
help="$share/kelodi/Kelodi说明.txt"
[ "$(head -c 3 "$help" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "the help text has no UTF-8 byte-order mark"
[ "$(grep -c $'\r$' "$help")" = "$(wc -l <"$help")" ] || fail "the help text has lines without CR LF"
iconv -f UTF-8 -t UTF-8 "$help" >/dev/null || fail "the help text is not UTF-8"

# man_warnings LOCALE PAGE: what troff says while man formats PAGE.
man_warnings() {
  LANG=$1 LC_ALL=$1 MANWIDTH=80 man --warnings -l "$2" 2>&1 >/dev/null || echo "man failed"
}
for page in "$share"/man/man1/*.1.gz; do
  # A default user's POSIX locale shows ASCII only: no Chinese may vanish
  # from the page, and no path may lose a folder's name.
  out=$(man_warnings C "$page")
  [ -z "$out" ] || fail "$page in LANG=C: $out"
  if LANG=C LC_ALL=C MANWIDTH=80 man -l "$page" 2>/dev/null | grep -E '[^:]//'; then
    fail "$page in LANG=C shows a path with an empty folder name"
  fi
  out=$(man_warnings C.UTF-8 "$page")
  [ -z "$out" ] || fail "$page in UTF-8: $out"
  zh_page="$share/man/zh_CN/man1/$(basename "$page")"
  out=$(man_warnings C.UTF-8 "$zh_page")
  [ -z "$out" ] || fail "$zh_page: $out"
  # Where the terminal cannot show Chinese, the Chinese page says so in
  # English and points to the English one, instead of losing every word.
  out=$(man_warnings C "$zh_page")
  [ -z "$out" ] || fail "$zh_page in LANG=C: $out"
  name=$(basename "$page" .1.gz)
  LANG=C LC_ALL=C MANWIDTH=1000 man --nh --nj -l "$zh_page" 2>/dev/null \
    | grep -q -F "or read the English page, $name(1)." || fail "$zh_page in LANG=C does not point to $name(1)"
  # Formatted without line breaks or hyphens in the words compared.
  LANG=C.UTF-8 LC_ALL=C.UTF-8 MANWIDTH=1000 man --nh --nj -l "$page" >"$work/en.txt" 2>/dev/null
  LANG=C.UTF-8 LC_ALL=C.UTF-8 MANWIDTH=1000 man --nh --nj -l "$zh_page" >"$work/zh_CN.txt" 2>/dev/null
  python3 "$docs" same-words "$work/en.txt" "$work/zh_CN.txt" >&2 \
    || fail "$(basename "$page"): the English and the Chinese page differ"
done
echo "PASS"
