#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Offline WAV rendering of the score tool against FluidSynth's own file
# renderer (fluidsynth -F) on the exported MIDI file, same SoundFont, same
# sample rate, measured side by side with hyperfine. Prints the mean times
# and the factor over real time (seconds of audio per second of rendering).
# Usage: bench/render_speed.sh BUILD_DIR [SOUNDFONT]
set -euo pipefail
build=${1:?usage: render_speed.sh BUILD_DIR [SOUNDFONT]}
soundfont=${2:-/usr/share/sounds/sf2/FluidR3_GM.sf2}
tool="$build/bin/kelodi-dzq"
for program in hyperfine fluidsynth; do
  command -v "$program" >/dev/null || { echo "render_speed: $program is not installed (scripts/install-deps)"; exit 0; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A sample score (chords of four notes) and a five-minute one: eight-note
# runs of major ninth chords, 2400 key events.
cp "$build/bin/录制/送别.dzq" "$work/sample.dzq"
{
  printf '琴键倍数:1\r\n'
  for i in $(seq 1 150); do printf '0.25,c|0.25,e|0.25,g|0.25,抬起|0.25,d|0.25,f|0.25,a|0.25,抬起|\r\n'; done
} | iconv -f UTF-8 -t GBK >"$work/long.dzq"

for score in sample long; do
  "$tool" midi "$work/$score.dzq" "$work/$score.mid" --chord 8
  "$tool" render "$work/$score.dzq" "$work/$score.wav" --chord 8 --soundfont "$soundfont" 2>/dev/null
  audio=$(python3 -c "import wave, sys; w = wave.open(sys.argv[1]); print(w.getnframes() / w.getframerate())" "$work/$score.wav")
  echo "== $score: $(printf '%.1f' "$audio") s of audio"
  hyperfine --warmup 1 --runs 5 --style basic --export-json "$work/$score.json" \
    -n kelodi-dzq "$tool render $work/$score.dzq $work/k.wav --chord 8 --soundfont $soundfont" \
    -n "fluidsynth -F" "fluidsynth -ni -q -F $work/f.wav -r 44100 $soundfont $work/$score.mid" \
    -n "fluidsynth -F (samples on demand)" \
    "fluidsynth -ni -q -o synth.dynamic-sample-loading=1 -F $work/f.wav -r 44100 $soundfont $work/$score.mid" \
    >/dev/null 2>&1
  python3 - "$work/$score.json" "$audio" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
audio = float(sys.argv[2])
ours = results[0]["mean"]
for r in results:
    print(f"  {r['command']:<36} {r['mean'] * 1000:8.1f} ms ± {r['stddev'] * 1000:5.1f}"
          f"   {audio / r['mean']:6.1f}x real time   ({r['mean'] / ours:.2f}x kelodi-dzq's time)")
PY
done
