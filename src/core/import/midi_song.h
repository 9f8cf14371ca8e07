// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/import/imported_song.h"
#include "core/midi/midi_file.h"

namespace kelodi {

class TextCodec;

// A Standard MIDI File as a song: one part per track and channel that plays
// notes, in track order and within a track by channel. Each note-on pairs
// with the first note-off of the same note and channel after it (first on,
// first off); a note left on ends with its track.
//
// - name: the track's name; instrument: the track's instrument name;
//   program: the last program change on the part's channel (in any track) at
//   or before its first note, else -1; channel 9 is percussion.
// - title: the name of the first track (the conductor track of a format 1
//   file, the only track of a format 0 one).
// - key and time: the first signatures of the file; beatSeconds: the time
//   signature's unit at the first tempo; barStarts: the bars the time
//   signatures lay out from the start to the end of the last note.
//
// Names that are not UTF-8 are read as GBK through `names` (the code page of
// Chinese MIDI files); without a codec, or when that fails too, each byte
// that is no UTF-8 becomes U+FFFD.
ImportedSong midiSong(const MidiFile& file, const TextCodec* names = nullptr);

}  // namespace kelodi
