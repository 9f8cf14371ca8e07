#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The program installed into a prefix that its user cannot write to: the user's
# recordings and v.sz go to the user's data folder, the help text and the
# sample scores come from share/kelodi, and nothing in the prefix changes.
#   installed_program.sh BUILD_DIR/bin
source "$(dirname "$0")/../e2e/lib/common.bash"
source "$(dirname "$0")/lib/user_session.bash"
use_display
trap 'chmod -R u+w "$WORK" 2>/dev/null; _cleanup' EXIT

prefix="$WORK/prefix"
cmake --install "$BIN/.." --prefix "$prefix" >"$WORK/install.log" || fail "install failed"
# Read-only, as /usr is for a user (root is dropped to nobody by the session).
chmod -R a-w "$prefix"
user_session "$prefix/bin" "$prefix/share/kelodi"
echo "PASS"
