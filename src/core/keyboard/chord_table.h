// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string_view>

namespace kelodi {

inline constexpr int ChordTypeCount = 11;
inline constexpr int MaxChordNotes = 5;

// One chord type: its label and the semitones above the root, in the order
// the notes are sounded.
struct ChordShape {
    std::string_view name;
    int noteCount;
    std::array<int, MaxChordNotes> offsets;
};

// Chord type 0..10 (0 is a single note); nullptr for any other value.
const ChordShape* chordShape(int chordType);

// The label of a chord type (" Note", " Major 7th", ...); empty outside 0..10.
std::string_view chordName(int chordType);

}  // namespace kelodi
