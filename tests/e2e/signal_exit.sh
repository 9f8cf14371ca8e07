#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SIGTERM, SIGHUP and SIGINT end the window as File > 退出(&E) does, even with
# a key held: every note that sounded gets its note-off, the port is reset
# and closed, and the exit status is 0.
source "$(dirname "$0")/lib/common.bash"
use_display

# A script's background jobs start with SIGINT ignored, and kelodi leaves a
# signal ignored that it was started with: start it with all three at their
# defaults, as a terminal or a desktop session does.
cat >"$WORK/kelodi" <<WRAPPER
#!/bin/sh
exec env --default-signal=TERM,HUP,INT "$BIN/kelodi" "\$@"
WRAPPER
chmod +x "$WORK/kelodi"

# Notes whose last note-on has no note-off after it, one per line.
sounding() {
  log_messages "$1" | awk '
    $1 ~ /^9/ && $3 != "00" { on[$2] = 1 }
    $1 ~ /^8/ || ($1 ~ /^9/ && $3 == "00") { delete on[$2] }
    END { for (n in on) print n }'
}

for sig in TERM HUP INT; do
  note "SIG$sig with W held"
  launch "$sig" "$WORK/kelodi"
  xdotool keydown w
  # W sounds its chord: notes 38, 42, 45, 49.
  wait_until 20 eval "[ \"\$(log_messages '$log' | grep -c '^90 \(26\|2A\|2D\|31\) 64 00\$')\" = 4 ]" \
    || { xdotool keyup w; fail "SIG$sig: W did not sound"; }
  kill -s "$sig" "$pid"
  wait_exit "$pid" 20
  xdotool keyup w
  [ "$EXIT_STATUS" = 0 ] || fail "SIG$sig: exit status $EXIT_STATUS"
  [ -z "$(sounding "$log")" ] || fail "SIG$sig: notes left sounding: $(sounding "$log" | tr '\n' ' ')"
  [ "$(tail -n 2 "$log" | tr '\n' '|')" = "# reset|# close|" ] || fail "SIG$sig: log does not end with reset, close"
done
echo "PASS"
