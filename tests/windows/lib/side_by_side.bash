# SPDX-License-Identifier: GPL-3.0-or-later
# Helpers for the scripts that run a Windows program of the cross build under
# Wine beside the same program built for Linux. Source it with the script's
# arguments:
#   WIN_TOOL SAMPLES_DIR EMULATOR...
# EMULATOR is the command that runs a Windows program (scripts/wine-run and
# its options); KELODI_HOST_DZQ names the Linux tool. It exits with status 77
# (skipped) when there is no Linux tool to compare with. Files for the programs go to $in, which both run in; what each side
# leaves goes to $work/linux and $work/windows.
set -u
win_tool=${1:?usage: $0 WIN_TOOL SAMPLES_DIR EMULATOR...}
samples=${2:?usage: $0 WIN_TOOL SAMPLES_DIR EMULATOR...}
shift 2
emulator=("$@")
[ ${#emulator[@]} -gt 0 ] || { echo "usage: $0 WIN_TOOL SAMPLES_DIR EMULATOR..." >&2; exit 2; }
linux_tool=${KELODI_HOST_DZQ:-}
if [ -z "$linux_tool" ] || [ ! -x "$linux_tool" ]; then
  echo "no Linux kelodi-dzq to compare with: configure with -DKELODI_HOST_DZQ=PATH (make windows does)"
  exit 77
fi

work=$(mktemp -d)
_pids=()
_cleanup() {
  for p in "${_pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap _cleanup EXIT
mkdir -p "$work/in" "$work/linux" "$work/windows"
in=$work/in
failures=0
checks=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Ends the script with the tally of the checks.
finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures of $checks checks failed" >&2
    exit 1
  fi
  echo "$(basename "$0" .sh): all $checks checks passed${1:+ ($1)}"
  exit 0
}

# win ARGS... : the Windows program under Wine, in the input folder.
win() {
  (cd "$in" && "${emulator[@]}" "$win_tool" "$@")
}

# run SIDE NAME ARGS... : runs one tool in the input folder; keeps stdout,
# stderr and the exit status as $work/SIDE/NAME.{out,err,status}.
run() {
  local side=$1 name=$2
  shift 2
  local base=$work/$side/$name
  if [ "$side" = linux ]; then
    (cd "$in" && "$linux_tool" "$@") >"$base.out" 2>"$base.err"
  else
    win "$@" >"$base.out" 2>"$base.err"
  fi
  echo $? >"$base.status"
}

same_file() {
  local what=$1 a=$2 b=$3
  checks=$((checks + 1))
  cmp -s "$a" "$b" || fail "$what differs:$(diff <(od -c "$a") <(od -c "$b") | head -20 | sed 's/^/  /')"
}

# same_status_and_stdout NAME: the two runs of NAME ended with the same exit
# status and wrote the same standard output.
same_status_and_stdout() {
  local name=$1 ls ws
  checks=$((checks + 1))
  ls=$(cat "$work/linux/$name.status")
  ws=$(cat "$work/windows/$name.status")
  [ "$ls" = "$ws" ] || fail "$name: exit status $ws on Windows, $ls on Linux ($(head -3 "$work/windows/$name.err"))"
  same_file "$name: stdout" "$work/linux/$name.out" "$work/windows/$name.out"
}

# compare NAME [--status-only] ARGS... : both tools, same exit status and the
# same stdout; the same stderr too unless the message comes from the system
# (a file that cannot be opened is described in the system's words).
compare() {
  local name=$1
  shift
  local stderr=yes
  if [ "${1:-}" = --status-only ]; then
    stderr=no
    shift
  fi
  run linux "$name" "$@"
  run windows "$name" "$@"
  same_status_and_stdout "$name"
  if [ "$stderr" = yes ]; then
    same_file "$name: stderr" "$work/linux/$name.err" "$work/windows/$name.err"
  fi
}

# expect_status NAME STATUS [SIDE] : the tool (Linux unless SIDE says
# windows) ended NAME with STATUS.
expect_status() {
  local side=${3:-linux}
  checks=$((checks + 1))
  [ "$(cat "$work/$side/$1.status")" = "$2" ] || fail "$1: exit status $(cat "$work/$side/$1.status") on $side, expected $2"
}

gbk() { iconv -f UTF-8 -t GBK; }

# The Windows path of a file or folder of this machine (Wine's drive Z: is /).
windows_path() {
  local path
  path=$(realpath -m "$1")
  printf 'Z:%s' "${path//\//\\}"
}
