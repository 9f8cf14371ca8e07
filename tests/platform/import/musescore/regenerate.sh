#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the MuseScore files of the MusicXML import tests again: MuseScore 3's
# own demo scores (Debian package musescore3), each exported by MuseScore as
# compressed MusicXML (.mxl) and as a Standard MIDI File (.mid), and one also
# as plain MusicXML (.musicxml). The test reads the MusicXML and compares its
# notes with the MIDI file: what MuseScore plays is what the notation says.
#   regenerate.sh [OUTPUT_FOLDER]     (default: the folder of this script)
#
# Before the export, what MuseScore plays differently from what its MusicXML
# says is taken out of a copy of each score, so that the two files differ
# only where a reader errs:
#   - swing (the style's swing unit, "Swing" staff texts): MuseScore 3.2
#     writes no <swing> element;
#   - arpeggios and glissandos, which MuseScore rolls and fills in at speeds
#     of its own choosing;
#   - small notes, which MuseScore plays but writes as <cue/> notes, which
#     MusicXML defines as silent;
#   - notes switched off for playback, which MusicXML cannot mark.
# Licences of the demo scores (/usr/share/doc/musescore3-common/copyright):
#   Brassed_Up, Dynamic_Strings  2019 James Thistlewood, CC-BY-SA-4.0
#   Fugue_1, Reunion             2012 Marc Sabatella, CC-BY-3.0
#   Unclaimed_Gift               2011 Marc Sabatella, CC-BY-3.0
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here}
demos=/usr/share/mscore3-3.2/demos
command -v mscore3 >/dev/null || { echo "regenerate.sh: needs mscore3 (apt-get install musescore3)" >&2; exit 2; }
[ -d "$demos" ] || { echo "regenerate.sh: no demo scores in $demos" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen

mscore() {
  # MuseScore prints its progress and warnings on the terminal.
  mscore3 "$@" >"$work/mscore.log" 2>&1 || { cat "$work/mscore.log" >&2; exit 1; }
}

mkdir -p "$out"
for demo in Brassed_Up Dynamic_Strings Fugue_1 Reunion Unclaimed_Gift; do
  source=$demos/$demo.mscx
  [ -f "$source" ] || { mscore -o "$work/$demo.mscx" "$demos/$demo.mscz"; source=$work/$demo.mscx; }
  perl -0pe 's{<swingUnit>[^<]*</swingUnit>\s*}{}g; s{<swingRatio>[^<]*</swingRatio>\s*}{}g;
             s{<swing [^>]*/>\s*}{}g; s{<Arpeggio>.*?</Arpeggio>\s*}{}gs;
             s{<Spanner type="Glissando">.*?</Spanner>\s*}{}gs; s{<small>1</small>\s*}{}g;
             s{<play>0</play>\s*}{}g' "$source" >"$work/plain-$demo.mscx"
  mscore -o "$out/$demo.mxl" "$work/plain-$demo.mscx"
  mscore -o "$out/$demo.mid" "$work/plain-$demo.mscx"
done
mscore -o "$out/Unclaimed_Gift.musicxml" "$work/plain-Unclaimed_Gift.mscx"
echo "regenerate.sh: wrote $(ls "$out" | grep -c -E '\.(mxl|mid|musicxml)$') files to $out"
