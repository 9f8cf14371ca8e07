// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "core/midi/midi_file.h"
#include "core/recording/recording_events.h"

namespace kelodi {

// Which notes of a MIDI file make the melody. Without either, the track with
// the most notes off the percussion channel is taken.
struct MelodySource {
    std::optional<int> track;    // 1 = the first track of the file
    std::optional<int> channel;  // 0..15; 9 (percussion) only when asked for
};

struct MelodyReport {
    int track = 0;     // 1-based track the notes came from, 0 = every track
    int channel = -1;  // the one channel taken, -1 = every melodic channel
    std::size_t notesTaken = 0;   // notes of that source
    std::size_t melodyNotes = 0;  // left after the reduction to one line
    int octaveShift = 0;          // semitones the whole line was moved
    std::size_t foldedNotes = 0;  // notes moved further, one by one
};

struct MelodyImport {
    RecordingEvents events;
    MelodyReport report;
};

// The lowest and highest MIDI note the keys play at octave 0.
inline constexpr int LowestKeyNote = 36;
inline constexpr int HighestKeyNote = LowestKeyNote + KeyCount - 1;

// A note that starts less than this after the first note of an onset belongs
// to that onset: the notes of a chord played by hand, humanised or
// "strummed" by a sequencer (abc2midi spreads them by 10 ticks) rarely start
// on the same millisecond, while the fastest runs of a melody are further
// apart.
inline constexpr double SameOnsetSeconds = 0.030;

// Turns the notes of one source of the file into key events for the keys:
//
// - the notes become one line: at each onset the highest note starting there,
//   pressed when the onset's first note starts;
// - the line moves by whole octaves so that most of its notes fall on the
//   keys (notes 36..79), and the notes still outside are folded in by octaves;
// - each note is a key press at its onset and a release event at its end, or
//   at the next onset when the next note starts before the end (the release
//   comes first, the press follows it at once, so a note never sounds on
//   under the next one);
// - times follow the tempo map, rounded to the millisecond from the start of
//   the file, so that delays never drift.
//
// Empty, with a reason in `error`, for a track or channel the file does not
// have. A source without notes gives no events.
std::optional<MelodyImport> importMelody(const MidiFile& file, const MelodySource& source,
                                         std::string* error = nullptr);

}  // namespace kelodi
