#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package of the build: kelodi_VERSION_ARCH.deb holds exactly the
# installed files under /usr, owned by root, and depends on the libraries the
# programs link (computed by dpkg-shlibdeps) and on what they open at run time.
#   package.sh BUILD_DIR EXPECTED_LIST
set -euo pipefail
build=${1:?usage: package.sh BUILD_DIR EXPECTED_LIST}
expected=${2:?usage: package.sh BUILD_DIR EXPECTED_LIST}
work=$(mktemp -d "${TMPDIR:-/tmp}/kelodi-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
debs=("$work"/kelodi_7.90_*.deb)
[ -f "${debs[0]}" ] || fail "no kelodi_7.90_*.deb: $(ls "$work")"
deb=${debs[0]}

[ "$(dpkg-deb -f "$deb" Package)" = kelodi ] || fail "package name $(dpkg-deb -f "$deb" Package)"
[ "$(dpkg-deb -f "$deb" Version)" = 7.90 ] || fail "version $(dpkg-deb -f "$deb" Version)"
depends=$(dpkg-deb -f "$deb" Depends)
for want in "libqt6widgets6 " "libfluidsynth3 " "librtmidi6 " "libc6 " \
            "fluid-soundfont-gm | sf2-soundfont-gm" "qt6-translations-l10n" "xdg-utils"; do
  [[ ", $depends" == *", $want"* ]] || fail "Depends lacks '$want': $depends"
done

dpkg-deb -c "$deb" >"$work/contents"
awk '$1 !~ /^d/ {sub(/^\.\/usr\//, "", $6); print $6}' "$work/contents" | LC_ALL=C sort >"$work/files"
LC_ALL=C sort "$expected" | diff -u - "$work/files" || fail "the package's files differ from $expected"
awk '$2 != "root/root" {print; bad = 1} END {exit bad}' "$work/contents" || fail "files not owned by root"
grep -q '^-rwxr-xr-x .* \./usr/bin/kelodi$' "$work/contents" || fail "/usr/bin/kelodi is not executable"
echo "PASS"
