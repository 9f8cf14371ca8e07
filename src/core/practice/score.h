// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "core/recording/recording_events.h"

namespace kelodi {

// A song as the score window shows it: every key press of the events as a
// jianpu note, in order, with rests (0) where the song falls silent.
//
// A rest is a release followed by a pause of at least half a beat before the
// next press, the beat being the song's typical spacing: the median time from
// one press to the next. Each beat of the pause, rounded, writes one 0 (at
// least one, at most MaxRestsInARow, so a long pause in a recording does not
// fill lines with zeros). Silence before the first note and after the last
// one is not written.

struct ScoreSymbol {
    std::size_t event = 0;  // the press of a note; the release a rest begins with
    int key = -1;           // key 0..43 of a note, -1 for a rest

    bool isRest() const { return key < 0; }
    friend bool operator==(const ScoreSymbol&, const ScoreSymbol&) = default;
};

struct Score {
    std::vector<ScoreSymbol> symbols;
    double beat = 0;            // seconds; 0 when fewer than two presses are written
    std::size_t noteCount = 0;  // notes written
    bool cut = false;           // the song has more notes than are written

    // The symbol of the note event `event` presses; empty for any other event.
    std::optional<std::size_t> noteSymbol(std::size_t event) const;
};

inline constexpr int MaxRestsInARow = 4;
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

// The score of the first `maxNotes` presses of `events`. Reads the events only
// as far as the press after the last one written.
Score buildScore(const RecordingEvents& events, std::size_t maxNotes = MaxScoreNotes);

// A line of the score: `count` symbols from symbol `first`.
struct ScoreLine {
    std::size_t first = 0;
    std::size_t count = 0;
    friend bool operator==(const ScoreLine&, const ScoreLine&) = default;
};

// Wraps the symbols into lines of at most `symbolsPerLine` (at least one).
// Where a rest falls in the last quarter of a full line, the line ends after
// it, so phrases tend to start at the left edge.
std::vector<ScoreLine> layoutScore(const Score& score, std::size_t symbolsPerLine);

}  // namespace kelodi
