#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A random session of a player under a window manager: 10,000 key presses and
# releases (playing keys, Shift, Ctrl), menus opened with Alt and a letter,
# left for the next with the arrows or the pointer and closed with Escape, the
# focus taken by another window and given back while keys are held, the
# pointer resting on the menu bar and elsewhere. Kelodi never leaves, no menu
# is open at the end, and a plain letter then plays.
#   KELODI_SESSION_SEED=N replays a session (its seed is printed first);
#   KELODI_SESSION_ACTIONS=N changes its length.
source "$(dirname "$0")/lib/common.bash"
seed=${KELODI_SESSION_SEED:-$(( RANDOM * 32768 + RANDOM ))}
actions=${KELODI_SESSION_ACTIONS:-10000}
note "seed $seed, $actions actions (replay: KELODI_SESSION_SEED=$seed)"
[ -x "$TOOLS/key_session" ] || fail "$TOOLS/key_session is not built (it needs libxtst-dev)"

use_own_display
start_window_manager

# A copy of the program in a folder of its own: a stray key in a menu may
# write the news setting beside it. Web pages open nowhere.
app="$WORK/app"
mkdir -p "$app" "$WORK/path"
cp "$BIN/kelodi" "$app/"
printf '#!/bin/sh\nexit 0\n' >"$WORK/path/xdg-open"
chmod +x "$WORK/path/xdg-open"
PATH="$WORK/path:$PATH" launch session "$app/kelodi"

"$TOOLS/key_session" "$seed" "$actions" "$win" "$pid" "$menu" || fail "the session broke off (seed $seed)"
kill -0 "$pid" 2>/dev/null || fail "kelodi has ended (seed $seed)"
has_popup && fail "a menu or window is open after the session (seed $seed)"

# A plain H, then W: if H opened a menu, W would go to it and not sound.
mark=$(wc -l <"$log")
xdotool key h w
after_mark() { tail -n +"$(( mark + 1 ))" "$log" | grep -q "^[0-9.]* $1 64 00\$"; }
wait_until 20 after_mark "90 26" || fail "W did not play after the session (seed $seed)"
after_mark "90 35" || fail "H did not play after the session (seed $seed)"
has_popup && fail "H or W opened a menu after the session (seed $seed)"

"$TOOLS/wm_delete" "$win"
wait_exit "$pid" 20
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS"
echo "PASS"
