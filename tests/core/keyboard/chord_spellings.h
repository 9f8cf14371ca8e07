// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kelodi::test {

// The ten chords and the single note, spelled the way harmony books spell
// them: the intervals above the root, lowest first. Written from the names
// of the chords, independently of the program's own table, so that a wrong
// interval there shows as a wrong note here.
namespace interval {
inline constexpr int Root = 0;
inline constexpr int MinorThird = 3;
inline constexpr int MajorThird = 4;
inline constexpr int DiminishedFifth = 6;
inline constexpr int PerfectFifth = 7;
inline constexpr int DiminishedSeventh = 9;
inline constexpr int MinorSeventh = 10;
inline constexpr int MajorSeventh = 11;
inline constexpr int Octave = 12;
inline constexpr int MajorNinth = 14;
}  // namespace interval

struct ChordSpelling {
    int type;           // the chord spinner's value
    std::string label;  // what the chord label shows
    std::vector<int> intervals;
};

inline void PrintTo(const ChordSpelling& chord, std::ostream* out)
{
    *out << "type " << chord.type << " \"" << chord.label << "\"";
}

inline const std::vector<ChordSpelling>& chordSpellings()
{
    using namespace interval;
    static const std::vector<ChordSpelling> spellings = {
        {0, " Note", {Root}},
        {1, " Major", {Root, MajorThird, PerfectFifth, Octave}},
        {2, " Minor", {Root, MinorThird, PerfectFifth, Octave}},
        {3, " Major 7th", {Root, MajorThird, PerfectFifth, MajorSeventh}},
        {4, " Minor 7th", {Root, MinorThird, PerfectFifth, MinorSeventh}},
        {5, " Minor 7th-5", {Root, MinorThird, DiminishedFifth, MinorSeventh}},
        {6, " Diminished", {Root, MinorThird, DiminishedFifth, DiminishedSeventh}},
        {7, " Dominant 7th", {Root, MajorThird, PerfectFifth, MinorSeventh}},
        {8, " Major 9th", {Root, MajorThird, PerfectFifth, MajorSeventh, MajorNinth}},
        {9, " Minor 9th", {Root, MinorThird, PerfectFifth, MinorSeventh, MajorNinth}},
        {10, " Octave", {Root, Octave}},
    };
    return spellings;
}

}  // namespace kelodi::test
