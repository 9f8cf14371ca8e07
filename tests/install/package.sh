#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package of the build: kelodi_VERSION_ARCH.deb holds exactly the
# installed files under /usr, owned by root, and depends on the libraries the
# programs link (computed by dpkg-shlibdeps) and on what they open at run time.
# Packed twice, it is the same file byte for byte; lintian --pedantic finds no
# error and no warning in it; and when the build has the package's hardening
# flags (KELODI_HARDENING), hardening-check passes both programs on every line.
#   package.sh BUILD_DIR EXPECTED_LIST
set -euo pipefail
build=${1:?usage: package.sh BUILD_DIR EXPECTED_LIST}
expected=${2:?usage: package.sh BUILD_DIR EXPECTED_LIST}
work=$(mktemp -d "${TMPDIR:-/tmp}/kelodi-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# pack DIR: the package, packed into DIR with the umask of a careless user
# (in a UTF-8 locale, as cpack needs); prints its path.
pack() {
  (umask 0002 && LC_ALL=C.UTF-8 cpack --config "$build/CPackConfig.cmake" -B "$1") >"$1.log" 2>&1 \
    || { cat "$1.log" >&2; fail "cpack failed"; }
  local debs=("$1"/kelodi_7.90_*.deb)
  [ -f "${debs[0]}" ] || fail "no kelodi_7.90_*.deb: $(ls "$1")"
  echo "${debs[0]}"
}
deb=$(pack "$work/first")
# A second time, later: every file of the install is new, yet nothing differs.
sleep 1
again=$(pack "$work/second")
cmp "$deb" "$again" || fail "packed twice, the packages differ: $(sha256sum "$deb" "$again")"

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
awk '$1 !~ /^(drwxr-xr-x|-rw-r--r--|-rwxr-xr-x)$/ {print; bad = 1} END {exit bad}' "$work/contents" \
  || fail "files or folders with other modes than 755 and 644"

# Errors and warnings fail; the pedantic and informational tags are shown.
lintian --pedantic --display-info --fail-on error,warning "$deb" >"$work/lintian.out" 2>&1 \
  || { cat "$work/lintian.out" >&2; fail "lintian finds errors or warnings"; }
cat "$work/lintian.out"

if grep -q '^KELODI_HARDENING:BOOL=ON$' "$build/CMakeCache.txt"; then
  dpkg-deb -x "$deb" "$work/root"
  for program in kelodi kelodi-dzq; do
    hardening-check "$work/root/usr/bin/$program" >"$work/hardening.out" 2>&1 || true
    # hardening-check finds stack-clash protection only in a function with a
    # frame large enough to need probing; where there is none it says
    # "unknown". Then the build's own, unstripped program must show that
    # every part of it was compiled with the flag.
    readelf --debug-dump=info "$build/bin/$program" 2>/dev/null | grep 'DW_AT_producer' >"$work/producers" || true
    bad=$(grep -v -E '^(/.*:| .*: yes( \(.*\))?)$' "$work/hardening.out" || true)
    if [ -s "$work/producers" ] && ! grep -q -v -e '-fstack-clash-protection' "$work/producers"; then
      bad=$(printf '%s\n' "$bad" | grep -v -x -F ' Stack clash protection: unknown, no -fstack-clash-protection instructions found' || true)
    fi
    [ -z "$bad" ] || { cat "$work/hardening.out" >&2; fail "$program lacks hardening: $bad"; }
  done
fi
echo "PASS"
