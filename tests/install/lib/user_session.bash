# SPDX-License-Identifier: GPL-3.0-or-later
# A player's first sessions with an installed kelodi, as a user who cannot
# write to the program's folder. Source after tests/e2e/lib/common.bash, then
# call user_session BIN_DIR SHARED_DATA_DIR (BIN_DIR holds the installed
# kelodi; SHARED_DATA_DIR is its share/kelodi).
#
# As root, the program runs as the user "nobody" (setpriv), so that its folder
# is really out of its reach; as anyone else, as that user.

_session_setup() {
  chmod 755 "$WORK"  # nobody must reach its home inside
  HOME_DIR="$WORK/home"
  DATA="$HOME_DIR/.local/share/kelodi"
  mkdir -p "$HOME_DIR" "$WORK/fakebin"
  RUN_AS=()
  if [ "$(id -u)" = 0 ]; then
    chown 65534:65534 "$HOME_DIR"
    RUN_AS=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  fi
  # The desktop's opener, recording what it was asked to open.
  printf '#!/bin/sh\necho "$@" >>"$HOME/xdg-open.log"\n' >"$WORK/fakebin/xdg-open"
  chmod 755 "$WORK/fakebin/xdg-open"
}

# session_start NAME [ARGS...]: kelodi from PATH as the user, its logs in the
# user's home.
session_start() {
  local name=$1
  shift
  log="$HOME_DIR/$name.log"
  "${RUN_AS[@]}" env -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u XDG_RUNTIME_DIR -u XDG_DATA_DIRS \
    HOME="$HOME_DIR" PATH="$WORK/fakebin:$SESSION_BIN:/usr/bin:/bin" JACK_NO_START_SERVER=1 \
    kelodi --midi-log "$log" --audio-file "$HOME_DIR/$name.wav" "$@" >"$WORK/$name.out" 2>&1 &
  pid=$!
  _pids+=("$pid")
  win=$(wait_window '^Kelodi 7\.90' 30) || fail "$name: no main window"
  wait_lines "$log" 114 10 || fail "$name: start-up burst incomplete"
  focus "$win"
  local height
  height=$(xdotool getwindowgeometry --shell "$win" | awk -F= '/HEIGHT/{print $2}')
  menubar=$(( height - 353 ))
}

session_stop() {
  "$TOOLS/wm_delete" "$win"
  wait_exit "$pid" 10
  [ "$EXIT_STATUS" = 0 ] || fail "$1: exit status $EXIT_STATUS"
}

button() {  # button NAME: click the recorder row's button in the bottom frame
  local left
  case $1 in start) left=24 ;; end) left=124 ;; stop) left=332 ;; save) left=440 ;; *) fail "no button $1" ;; esac
  xdotool mousemove --window "$win" $(( 12 + left + 40 )) $(( menubar + 292 + 4 + 12 )) click 1
}

# Open menus: visible windows of kelodi besides the main window, leaving out
# the keys' tool tips.
popups() {
  local w
  for w in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
    [ "$w" = "$win" ] && continue
    xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q '_TOOLTIP' || echo "$w"
  done
  return 0
}
has_popup() { [ -n "$(popups)" ]; }
# menu LETTER KEY: opens a menu with Alt and its letter, waits for it, then
# types KEY.
menu() {
  focus "$win"
  xdotool key "alt+$1"
  wait_for 10 has_popup || fail "alt+$1 opened no menu"
  xdotool key "$2"
}

note_ons() { grep -c ' 90 ' "$log" || true; }
# wait_for SECONDS COMMAND...: until the command succeeds.
wait_for() {
  local limit=$1; shift
  for _ in $(seq 1 $((limit * 10))); do "$@" && return 0; sleep 0.1; done
  return 1
}
more_note_ons() { [ "$(note_ons)" -gt "$1" ]; }

user_session() {
  SESSION_BIN=$1
  local shared=$2
  _session_setup
  # The shipped files, which nobody may change; beside the program, only the
  # two programs (the prefix may be /usr, shared with everything else).
  local tree_before
  tree_before=$(find "$shared" "$SESSION_BIN/kelodi" "$SESSION_BIN/kelodi-dzq" -printf '%p %s %T@\n' | sort)

  note "first start: the recordings folder is made with the sample scores"
  session_start first
  [ -d "$DATA/录制" ] || fail "no recordings folder in $DATA"
  diff <(cd "$shared/录制" && ls) <(cd "$DATA/录制" && ls) || fail "the samples were not copied"
  for f in "$shared"/录制/*.dzq; do cmp -s "$f" "$DATA/录制/$(basename "$f")" || fail "$f copied wrongly"; done

  note "the first listed sample plays"
  local before
  before=$(note_ons)
  menu q Return
  wait_for 10 more_note_ons "$before" || fail "the listed sample did not play"
  button stop

  note "a take is recorded and saved where the save dialog opens"
  button start
  for key in d f; do xdotool keydown "$key"; sleep 0.2; xdotool keyup "$key"; sleep 0.2; done
  button end
  button save
  local dialog
  dialog=$(wait_window '^录制文件$' 10) || fail "no save dialog"
  focus "$dialog"
  xdotool type --delay 20 "take.dzq"
  xdotool key Return
  wait_for 10 test -f "$DATA/录制/take.dzq" || fail "the take is not in $DATA/录制"
  "$SESSION_BIN/kelodi-dzq" events "$DATA/录制/take.dzq" | cut -f2 | tr '\n' ' ' | grep -q '^12 9999 14 9999 ' \
    || fail "the take holds $("$SESSION_BIN/kelodi-dzq" events "$DATA/录制/take.dzq" | cut -f2 | tr '\n' ' ')"

  note "the help text opens from the shared data folder; the news choice is kept in the data folder"
  menu h n
  wait_for 10 grep -q "share/kelodi/Kelodi" "$HOME_DIR/xdg-open.log" 2>/dev/null \
    || fail "the help text was not opened from $shared: $(cat "$HOME_DIR/xdg-open.log" 2>/dev/null)"
  # A build without the news window (KELODI_TEST_NEWS=0) has no news choice.
  if [ "${KELODI_TEST_NEWS:-1}" = 1 ]; then
    menu h x
    wait_for 10 test -f "$DATA/v.sz" || fail "v.sz is not in $DATA"
  fi
  session_stop first

  note "second start: the list is the user's folder, which is left as it is"
  rm "$DATA"/录制/两只老虎.dzq
  printf '0.05,c2|0.3,\xcc\xa7\xc6\xf0|\r\n' >"$DATA/录制/0.dzq"  # key 36, then release all
  session_start second
  [ ! -e "$DATA/录制/两只老虎.dzq" ] || fail "a deleted sample came back"
  [ -f "$DATA/录制/take.dzq" ] || fail "the take is gone"
  before=$(note_ons)
  menu q Return
  wait_for 10 grep -q ' 90 48 ' "$log" || fail "the user's own first recording did not play"
  session_stop second

  note "a score opened with the program (as from a file manager) plays at start"
  session_start third "$DATA/录制/take.dzq"
  wait_for 10 grep -q ' 90 30 ' "$log" || fail "the take given on the command line did not play"
  session_stop third

  [ "$(find "$shared" "$SESSION_BIN/kelodi" "$SESSION_BIN/kelodi-dzq" -printf '%p %s %T@\n' | sort)" = "$tree_before" ] \
    || fail "the shipped files changed"
  for f in 录制 v.sz Kelodi说明.txt; do
    [ ! -e "$SESSION_BIN/$f" ] || fail "$SESSION_BIN/$f was made beside the program"
  done
}
