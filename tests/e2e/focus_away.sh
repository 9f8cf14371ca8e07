#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A key let go while another program has the focus stops its note, also when
# the focus comes back at once (before the toolkit would report the focus
# gone): the note does not sound on, and the key's next press plays.
source "$(dirname "$0")/lib/common.bash"
use_display
command -v xmessage >/dev/null || fail "xmessage is not installed (x11-utils)"

launch away
xmessage -title kelodi-e2e-other -geometry 240x80+700+600 "another program" >"$WORK/other.out" 2>&1 &
_pids+=($!)
other=$(wait_window '^kelodi-e2e-other$' 30) || fail "the other program's window did not show"
focus "$win"

# H plays the chord of key 17 (F at octave 0, major seventh): 35 39 3C 40.
logged_after() { tail -n +"$(( $1 + 1 ))" "$log" | grep -q "^[0-9.]* $2\$"; }

note "H held, the focus to the other program and back, H let go there"
mark=$(wc -l <"$log")
xdotool keydown h
wait_until 30 logged_after "$mark" "90 35 64 00" || fail "H did not sound"
xdotool windowfocus --sync "$other" keyup h windowfocus --sync "$win"
wait_until 30 logged_after "$mark" "80 35 00 00" || fail "H sounds on after it was let go in the other program"

note "the next press of H plays"
mark=$(wc -l <"$log")
xdotool key h
wait_until 30 logged_after "$mark" "90 35 64 00" || fail "the next press of H did not sound"

"$TOOLS/wm_delete" "$win"
wait_exit "$pid" 30
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS"
echo "PASS"
