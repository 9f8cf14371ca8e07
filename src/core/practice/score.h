// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "core/recording/recording_events.h"

namespace kelodi {

// A song as the score shows it: its notes in order, each the keys struck
// together (a chord, see chordAt) with when they start and when they are let
// go. The jianpu layout (jianpu_layout.h) writes them in beats and bars.
struct ScoreNote {
    std::size_t event = 0;      // the first press of the note
    std::size_t lastEvent = 0;  // its last press (the same for a single key)
    std::vector<int> keys;      // keys 0..43, ascending, each once
    double start = 0;           // seconds after the song's start
    // When its keys are let go: the first release of every key after its
    // last press; empty when none follows.
    std::optional<double> release;

    friend bool operator==(const ScoreNote&, const ScoreNote&) = default;
};

struct Score {
    std::vector<ScoreNote> notes;
    std::size_t noteCount = 0;  // notes written (notes.size())
    bool cut = false;           // the song has more notes than are written

    // The note the press `event` belongs to; empty for any other event.
    std::optional<std::size_t> noteSymbol(std::size_t event) const;
};

inline constexpr std::size_t MaxScoreNotes = 10000;

// The key event `index` presses, or -1 (a release, a press of no key, an
// index past the end).
int pressedKey(const RecordingEvents& events, std::size_t index);

// The first event at or after `from` that presses a key.
std::optional<std::size_t> nextPress(const RecordingEvents& events, std::size_t from);

// Presses that start within this many seconds of a note's first press sound
// with it: one chord.
inline constexpr double ChordOnsetSpread = 0.030;

// The chord that press `first` begins: the keys of the presses from `first` on
// that start within ChordOnsetSpread of it (ascending, each once), and the
// event after the last of them. A release ends the chord; events that press
// nothing are passed over. A single note is a chord of one key.
struct ChordPresses {
    std::vector<int> keys;
    std::size_t end = 0;
};
ChordPresses chordAt(const RecordingEvents& events, std::size_t first);

// How many events press a key.
std::size_t countPresses(const RecordingEvents& events);

// The score of the first `maxNotes` notes (chords) of `events`. Reads the
// events only as far as the press after the last note written.
Score buildScore(const RecordingEvents& events, std::size_t maxNotes = MaxScoreNotes);

}  // namespace kelodi
