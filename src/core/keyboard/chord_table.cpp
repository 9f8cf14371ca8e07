// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/keyboard/chord_table.h"

namespace kelodi {

namespace {

// The labels start with a blank: the chord label shows them as they are.
constexpr std::array<ChordShape, ChordTypeCount> Chords = {{
    {" Note", 1, {0}},
    {" Major", 4, {0, 4, 7, 12}},
    {" Minor", 4, {0, 3, 7, 12}},
    {" Major 7th", 4, {0, 4, 7, 11}},
    {" Minor 7th", 4, {0, 3, 7, 10}},
    {" Minor 7th-5", 4, {0, 3, 6, 10}},
    {" Diminished", 4, {0, 3, 6, 9}},
    {" Dominant 7th", 4, {0, 4, 7, 10}},
    {" Major 9th", 5, {0, 4, 7, 11, 14}},
    {" Minor 9th", 5, {0, 3, 7, 10, 14}},
    {" Octave", 2, {0, 12}},
}};

}  // namespace

const ChordShape* chordShape(int chordType)
{
    if (chordType < 0 || chordType >= ChordTypeCount)
        return nullptr;
    return &Chords[static_cast<std::size_t>(chordType)];
}

std::string_view chordName(int chordType)
{
    const ChordShape* shape = chordShape(chordType);
    return shape ? shape->name : std::string_view{};
}

}  // namespace kelodi
