#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# kelodi --help and --version answer without any display: no X server, no
# platform plugin chosen, exit status 0.
source "$(dirname "$0")/lib/common.bash"

headless() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$BIN/kelodi" "$@"; }

note "--help"
status=0
headless --help >"$WORK/help.out" 2>"$WORK/help.err" || status=$?
[ "$status" = 0 ] || fail "--help: exit status $status: $(cat "$WORK/help.err")"
for option in --midi-log --audio-file --audio-driver --soundfont --version; do
  grep -qF -- "$option" "$WORK/help.out" || fail "--help does not mention $option"
done

note "--version"
status=0
headless --version >"$WORK/version.out" 2>"$WORK/version.err" || status=$?
[ "$status" = 0 ] || fail "--version: exit status $status: $(cat "$WORK/version.err")"
[ "$(cat "$WORK/version.out")" = "Kelodi 7.90" ] || fail "--version printed '$(cat "$WORK/version.out")'"

note "an unknown option is refused, also without a display"
status=0
headless --no-such-option --help >/dev/null 2>"$WORK/unknown.err" || status=$?
[ "$status" = 1 ] || fail "unknown option: exit status $status"
grep -q "no-such-option" "$WORK/unknown.err" || fail "unknown option: not named on stderr"
echo "PASS"
