#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Follow-along practice in the real program: with 跟弹练习 ticked through the
# menu, a sample score chosen from 曲目列表 plays nothing by itself; typing the
# song's keys in order (as kelodi-dzq reads them), with wrong keys between,
# plays the whole song and nothing else. The last key, held for a second,
# sounds until it is let go, and only then comes the box 练习完成 with the
# notes, the misses, the accuracy and the time from the first key (not from
# choosing the song). The score window stays open all along without taking the
# keyboard.
source "$(dirname "$0")/lib/common.bash"
use_display
export XDG_DATA_HOME="$WORK/data"   # the practice records

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

launch practice

note "score window and 跟弹练习 through the menu"
choose_menu_item p w
wait_window '^曲谱$' 10 >/dev/null || fail "no score window"
choose_menu_item p f

note "choose the score from the list (the first one): its first key is marked and nothing plays"
choose_menu_item q Return
wait_until 10 is_marked "${keys[0]}" || fail "key ${keys[0]} not marked (colour $(key_colour "${keys[0]}"))"
mark=$(log_messages "$log" | wc -l)
ons=$(note_ons)
# An ordinary replay would sound the first note 0.45 s after the start.
if wait_until 2 more_notes_than "$ons"; then fail "a note played by itself"; fi

note "play the song with three wrong keys between, holding the last one"
expected=()
wrong=0
last=$((${#keys[@]} - 1))
start=$(date +%s.%N)
for i in "${!keys[@]}"; do
  if [ "$i" = 3 ] || [ "$i" = 10 ] || [ "$i" = 20 ]; then
    xdotool key --delay 40 z   # key 36, not in the song
    expected+=($((36 + 36)))
    wrong=$((wrong + 1))
  fi
  if [ "$i" = "$last" ]; then
    before=$(note_ons)
    xdotool keydown "$(keyname "${keys[$i]}")"
    wait_until 10 more_notes_than "$((before + 3))" || fail "the last key did not sound"
    sleep 1
    if xdotool search --onlyvisible --name '^练习完成$' >/dev/null 2>&1; then fail "the box came while the last key was held"; fi
    xdotool keyup "$(keyname "${keys[$i]}")"
  else
    xdotool key --delay 40 "$(keyname "${keys[$i]}")"
  fi
  expected+=($((36 + keys[i])))
done
played_for=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN {print b - a}')

box=$(wait_window '^练习完成$' 20) || fail "no box 练习完成"

# The last note's root: its note-off comes a second or more after its note-on.
root=$(printf '%02X' $((36 + keys[last])))
held=$(grep -v '^#' "$log" | awk -v r="$root" '$2 == "90" && $3 == r {on = $1} $2 == "80" && $3 == r && on {off = $1} END {print off - on}')
note "the last note sounded for $held s"
awk -v h="$held" 'BEGIN {exit !(h >= 0.95)}' || fail "the last note sounded $held s, not as long as it was held (1 s)"
roots_after "$mark" | while read -r hex; do echo $((16#$hex)); done >"$WORK/played"
printf '%s\n' "${expected[@]}" >"$WORK/expected"
diff -u "$WORK/expected" "$WORK/played" >"$WORK/played.diff" || { cat "$WORK/played.diff"; fail "the notes played are not the keys typed"; }

focus "$box"
copied() { xclip -o -selection clipboard 2>/dev/null | tr '\n' '|'; }
xdotool key ctrl+c
has_copy() { [ -n "$(copied)" ]; }
wait_until 5 has_copy || fail "nothing copied from the box"
presses=$((${#keys[@]} + wrong))
want="练习完成|音符：${#keys[@]} 个|弹错：$wrong 次|准确率：$((100 * ${#keys[@]} / presses)) %|用时："
note "box: $(copied)"
case "$(copied)" in "$want"*" 秒||第一次这样练习这首曲子") ;; *) fail "box reads '$(copied)', expected '$want… 秒||第一次这样练习这首曲子'" ;; esac
# The 2 s waited before the first key do not count.
seconds=$(copied | sed 's/.*用时：\([0-9.]*\) 秒.*/\1/')
awk -v s="$seconds" -v p="$played_for" 'BEGIN {exit !(s > 0.9 && s <= p)}' || fail "用时 $seconds s, not the $played_for s from the first key"
xdotool key Return
wait_until 5 sh -c "! xdotool search --onlyvisible --name '^练习完成\$' >/dev/null 2>&1" || fail "box stays"
is_marked "${keys[-1]}" && fail "a key is still marked after the end"

"$TOOLS/wm_delete" "$win"
wait_exit "$pid" 10
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS"
echo "PASS"
