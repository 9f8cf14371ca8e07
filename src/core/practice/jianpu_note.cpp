// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/practice/jianpu_note.h"

#include "core/keyboard/key_map.h"

namespace kelodi {

namespace {

constexpr int Octave = 12;
constexpr std::string_view Dot = "·";
constexpr std::string_view TwoDots = ":";

}  // namespace

JianpuNote jianpuNote(int key)
{
    if (key < 0 || key >= KeyCount)
        return {};
    // Scale degree of each semitone of the octave; a black key takes the
    // degree of the white key below it.
    static constexpr char Degrees[Octave] = {'1', '1', '2', '2', '3', '4', '4', '5', '5', '6', '6', '7'};
    JianpuNote note;
    if (isBlackKey(key))
        note.digits = "#";
    note.digits += Degrees[key % Octave];
    switch (key / Octave) {
    case 0: note.below = Dot; break;
    case 1: break;
    case 2: note.above = Dot; break;
    default: note.above = TwoDots; break;
    }
    return note;
}

ComputerKeyLabel computerKeyLabel(const KeyMap& map, int key)
{
    if (key < 0 || key >= KeyCount)
        return {};
    const bool black = isBlackKey(key);
    const WhiteKey* white = map.whiteKey(black ? key - 1 : key);
    if (!white)
        return {};
    return {white->computerKey, black};
}

}  // namespace kelodi
