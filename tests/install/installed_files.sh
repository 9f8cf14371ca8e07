#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# `cmake --install` into an empty prefix gives exactly the expected files, and
# each desktop file is one the desktop accepts: the entry and the metadata pass
# their validators, the MIME type builds into a MIME database, the icons have
# the size their folder says and the man pages format without warnings.
#   installed_files.sh BUILD_DIR EXPECTED_LIST
set -euo pipefail
build=${1:?usage: installed_files.sh BUILD_DIR EXPECTED_LIST}
expected=${2:?usage: installed_files.sh BUILD_DIR EXPECTED_LIST}
work=$(mktemp -d "${TMPDIR:-/tmp}/kelodi-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log" >&2; fail "install failed"; }

(cd "$prefix" && find . \( -type f -o -type l \) -printf '%P\n' | LC_ALL=C sort) >"$work/found"
LC_ALL=C sort "$expected" | diff -u - "$work/found" || fail "installed files differ from $expected"
[ -z "$(find "$prefix" -type d -empty)" ] || fail "empty folders installed: $(find "$prefix" -type d -empty)"

share="$prefix/share"
desktop="$share/applications/cn.kelodi.Kelodi.desktop"
# Errors that are not fatal yet still print "error:" and exit 0.
desktop-file-validate "$desktop" >"$work/desktop.out" 2>&1 || { cat "$work/desktop.out" >&2; fail "desktop entry invalid"; }
if grep -E ': (error|warning):' "$work/desktop.out" >&2; then fail "desktop entry has errors or warnings"; fi
grep -qx 'MimeType=text/x-dzq;' "$desktop" || fail "the desktop entry does not open .dzq files"
grep -qx 'Exec=kelodi %f' "$desktop" || fail "the desktop entry does not hand the file to kelodi"

appstreamcli validate --no-net "$share/metainfo/cn.kelodi.Kelodi.metainfo.xml" >"$work/appstream.out" 2>&1 \
  || { cat "$work/appstream.out" >&2; fail "AppStream metadata invalid"; }
grep -q '<release version="7.90"' "$share/metainfo/cn.kelodi.Kelodi.metainfo.xml" || fail "no release 7.90"

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
svg="$share/icons/hicolor/scalable/apps/cn.kelodi.Kelodi.svg"
python3 -c 'import sys, xml.etree.ElementTree as t; r=t.parse(sys.argv[1]).getroot(); assert r.tag.endswith("svg") and len(list(r.iter())) > 10' "$svg" \
  || fail "the scalable icon is not a drawing"

# The help text opens in Windows Notepad too: UTF-8 with a byte-order mark,
# every line ended by CR LF.
help="$share/kelodi/Kelodi说明.txt"
[ "$(head -c 3 "$help" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "the help text has no UTF-8 byte-order mark"
[ "$(grep -c $'\r$' "$help")" = "$(wc -l <"$help")" ] || fail "the help text has lines without CR LF"
iconv -f UTF-8 -t UTF-8 "$help" >/dev/null || fail "the help text is not UTF-8"

for page in "$share"/man/man1/*.1.gz; do
  out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || fail "$page does not format"
  [ -z "$out" ] || fail "$page: $out"
done
echo "PASS"
