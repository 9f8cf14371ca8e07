#!/usr/bin/env bash
# Follow-along practice in the real program: with 跟弹练习 ticked through the
# menu, a sample score chosen from 曲目列表 plays nothing by itself; typing the
# song's keys in order (as kelodi-dzq reads them), with wrong keys between,
# plays the whole song and nothing else, and the box 练习完成 counts the notes,
# the right presses and the misses. The score window stays open all along
# without taking the keyboard.
source "$(dirname "$0")/lib/common.bash"
use_display

song="$BIN/录制/两只老虎.dzq"
[ -f "$song" ] || fail "no sample score $song"

# xdotool key names of the white keys by key index; a black key is Shift and
# the white key below it.
declare -A white=([0]=q [2]=w [4]=e [5]=r [7]=t [9]=a [11]=s [12]=d [14]=f [16]=g [17]=h [19]=j [21]=k [23]=l
                  [24]=semicolon [26]=apostrophe [28]=u [29]=i [31]=o [33]=p [35]=bracketleft
                  [36]=z [38]=x [40]=c [41]=v [43]=b)
keyname() { if [ -n "${white[$1]:-}" ]; then echo "${white[$1]}"; else echo "shift+${white[$(($1 - 1))]}"; fi; }

# wait_until SECONDS COMMAND...: until the command succeeds.
wait_until() {
  local limit=$1; shift
  for _ in $(seq 1 $((limit * 20))); do "$@" && return 0; sleep 0.05; done
  return 1
}
popup_of() {  # popup_of PID BEFORE: a window of PID that is not in BEFORE
  comm -13 <(echo "$2") <(xdotool search --onlyvisible --pid "$1" 2>/dev/null | sort) | head -n 1
}
# Where the menus "练习(&P)" and "曲目列表(&Q)" open, read from a second copy
# of the program: a menu opens below its title, at the title's left edge.
probe_menus() {
  "$BIN/kelodi" --audio-file "$WORK/probe.wav" >"$WORK/probe.out" 2>&1 &
  local probe=$! w before popup letter
  _pids+=("$probe")
  probe_window() { w=$(xdotool search --all --onlyvisible --pid "$probe" --name '^Kelodi 7\.90' 2>/dev/null | head -n 1); [ -n "$w" ]; }
  wait_until 30 probe_window || fail "probe: no main window"
  focus "$w"
  for letter in p q; do
    before=$(xdotool search --onlyvisible --pid "$probe" | sort)
    xdotool key "alt+$letter"
    wait_until 5 eval 'popup=$(popup_of $probe "$before"); [ -n "$popup" ]' || fail "probe: menu alt+$letter did not open"
    eval "$(xdotool getwindowgeometry --shell "$popup")"
    [ "$letter" = p ] && practice_menu_x=$X || list_menu_x=$X
    xdotool key Escape Escape
    wait_until 5 sh -c "! xdotool search --onlyvisible --pid $probe | grep -qx $popup" || fail "probe: menu stays"
  done
  kill "$probe"
}
# choose TITLE_X ITEM COUNT: opens the menu whose title starts at TITLE_X with
# the mouse and clicks item ITEM (from 0) of its COUNT items. The mouse, as a
# menu chosen from the keyboard can leave the menu bar taking the letters.
choose() {
  local before popup
  before=$(xdotool search --onlyvisible --pid "$pid" | sort)
  xdotool mousemove --window "$win" $(($1 + 12)) $((menu / 2)) click 1
  wait_until 5 eval 'popup=$(popup_of $pid "$before"); [ -n "$popup" ]' || fail "menu at x=$1 did not open"
  eval "$(xdotool getwindowgeometry --shell "$popup")"
  xdotool mousemove $((X + 30)) $((Y + HEIGHT * (2 * $2 + 1) / (2 * $3))) click 1
  wait_until 5 sh -c "! xdotool search --onlyvisible --pid $pid | grep -qx $popup" || fail "menu at x=$1 did not close"
}
# Colour of key K's face, low on the key (below any letter), as #RRGGBB.
key_colour() {
  local k=$1 x
  if [ -n "${white[$k]:-}" ]; then
    local n=0 i
    for ((i = 0; i < k; i++)); do [ -n "${white[$i]:-}" ] && n=$((n + 1)); done
    x=$((4 + 28 * n + 18)); y=$((menu + 92 + 165))
  else
    local n=0 i
    for ((i = 0; i <= k; i++)); do [ -n "${white[$i]:-}" ] && n=$((n + 1)); done
    x=$((4 + 28 * n - 12 + 15)); y=$((menu + 92 + 60))
  fi
  import -window "$win" -crop "1x1+$x+$y" -depth 8 txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}' | head -n 1
}
is_marked() { [ "$(key_colour "$1")" = "#90EE90" ]; }
note_ons() { log_messages "$log" | awk '$1 == "90"' | wc -l; }
more_notes_than() { [ "$(note_ons)" -gt "$1" ]; }
# Root notes (the first of each group of four) of the note-ons after line $1.
roots_after() { log_messages "$log" | tail -n +"$(($1 + 1))" | awk '$1 == "90" {n++; if (n % 4 == 1) print $2}'; }

"$BIN/kelodi-dzq" events "$song" >"$WORK/events" || fail "kelodi-dzq cannot read $song"
mapfile -t keys < <(awk -F'\t' '$2 != 9999 {print $2}' "$WORK/events")
note "${#keys[@]} notes in $(basename "$song")"

probe_menus
launch practice

note "score window and 跟弹练习 through the menu"
choose "$practice_menu_x" 0 2
wait_window '^曲谱$' 10 >/dev/null || fail "no score window"
choose "$practice_menu_x" 1 2

note "choose the score from the list: the first key is marked and nothing plays"
choose "$list_menu_x" 0 "$(ls "$BIN/录制" | grep -ci '\.dzq$')"  # the first in the list
wait_until 10 is_marked "${keys[0]}" || fail "key ${keys[0]} not marked (colour $(key_colour "${keys[0]}"))"
mark=$(log_messages "$log" | wc -l)
ons=$(note_ons)
# An ordinary replay would sound the first note 0.45 s after the start.
if wait_until 2 more_notes_than "$ons"; then fail "a note played by itself"; fi

note "play the song with three wrong keys between"
expected=()
wrong=0
for i in "${!keys[@]}"; do
  if [ "$i" = 3 ] || [ "$i" = 10 ] || [ "$i" = 20 ]; then
    xdotool key --delay 40 z   # key 36, not in the song
    expected+=($((36 + 36)))
    wrong=$((wrong + 1))
  fi
  xdotool key --delay 40 "$(keyname "${keys[$i]}")"
  expected+=($((36 + keys[i])))
done

box=$(wait_window '^练习完成$' 20) || fail "no box 练习完成"
roots_after "$mark" | while read -r hex; do echo $((16#$hex)); done >"$WORK/played"
printf '%s\n' "${expected[@]}" >"$WORK/expected"
diff -u "$WORK/expected" "$WORK/played" >"$WORK/played.diff" || { cat "$WORK/played.diff"; fail "the notes played are not the keys typed"; }

focus "$box"
copied() { xclip -o -selection clipboard 2>/dev/null | tr '\n' '|'; }
xdotool key ctrl+c
has_copy() { [ -n "$(copied)" ]; }
wait_until 5 has_copy || fail "nothing copied from the box"
want="练习完成|音符：${#keys[@]} 个|弹对：${#keys[@]} 个|弹错：$wrong 次|用时："
note "box: $(copied)"
case "$(copied)" in "$want"*" 秒") ;; *) fail "box reads '$(copied)', expected '$want… 秒'" ;; esac
xdotool key Return
wait_until 5 sh -c "! xdotool search --onlyvisible --name '^练习完成\$' >/dev/null 2>&1" || fail "box stays"
is_marked "${keys[-1]}" && fail "a key is still marked after the end"

"$BIN/wm_delete" "$win"
wait_exit "$pid" 10
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS"
echo "PASS"
