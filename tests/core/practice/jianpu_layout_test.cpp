// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/practice/jianpu_layout.h"
#include "core/recording/dzq_format.h"
#include "core/recording/event_notation.h"

namespace kelodi {
namespace {

using test::R;

// The score of a file as `kelodi-dzq jianpu` prints it, in rows of
// `rowCells`, with the header "H".
std::string printed(const RecordingFile& file, TimeSignature time, std::size_t rowCells = DefaultRowCells,
                    ScoreTiming timing = {})
{
    if (file.report.dialect == RecordingDialect::Jianpu)
        timing = scoreTiming(file.report);
    const JianpuScore score = layoutJianpu(buildScore(file.events), time, timing);
    return jianpuText(score, breakRows(score, rowCells), "H");
}

std::string printed(const RecordingEvents& events, ScoreTiming timing)
{
    return printed(RecordingFile{events, {}, {}}, DefaultTimeSignature, DefaultRowCells, timing);
}

// Held 0.8 of each length: the rest of a length is no rest, a written rest
// is; lengths of 1/4 to 3 beats; a note held over a bar line.
const RecordingFile Song = parseRecordingText("简谱倍数:0.5\n音符比例:0.8\n音符最长:4\n"
                                              "1,1|2,0.5|3,0.5|5,2|6,1.5|5,0.5|3,0.25|2,0.25|1,0.5|1,3|0,2|"
                                              "5-,1|1+,1|1++,2|#4,1\n");

TEST(JianpuText, WritesLengthsRestsOctavesAndBarsOfAJianpuFile)
{
    EXPECT_EQ(printed(Song, {4, 4}, 13),
              "H\n"
              "\n"
              "1 2 3 5 - | 6· 5 3 2 1 1 |\n"
              "  ___          _ _____\n"
              "                 ___\n"
              "\n"
              "~\n"
              "            · :\n"
              "1 - 0 0 | 5 1 1 - | #4 |\n"
              "          ·\n"
              "\n");
}

TEST(JianpuText, PutsTheBarLinesOfTheTimeSignatureAndTiesNotesAcrossThem)
{
    EXPECT_EQ(printed(Song, {3, 4}),
              "H\n"
              "\n"
              "      ~~~~~              ~~~~~~~\n"
              "                                         · :\n"
              "1 2 3 5 | 5 6· 5 | 3 2 1 1 - | 1 0 0 | 5 1 1 |\n"
              "  ___          _   _____\n"
              "                   ___\n"
              "                                       ·\n"
              "\n"
              "~\n"
              ":\n"
              "1 #4 |\n"
              "\n");
}

// A recording at a beat of 0.5 s, sounding as long as it is held: silence of
// half a beat is a rest, of a quarter beat part of the note before; the
// second before the first note is not written.
TEST(JianpuText, WritesARestForSilenceOfHalfABeatOrMore)
{
    const RecordingEvents events = test::eventsOf({{1.0f, 12}, {0.25f, R}, {0.25f, 14}, {0.125f, R},
                                                   {0.125f, 16}, {0.25f, R}, {0, 17}, {0.9f, R},
                                                   {0.1f, 19}, {0.1f, R}, {5, R}});
    EXPECT_EQ(printed(events, {0.5, 1.0}),
              "H\n"
              "\n"
              "1 0 2 3 4 - | 5 |\n"
              "___ ___       _\n"
              "              _\n"
              "\n");
}

// Keys struck together (within 30 ms, see Score) are one chord, stacked
// highest on top over the line of single notes, each with its octave dots;
// the bar line runs through the stack.
TEST(JianpuText, StacksAChordHighestOnTop)
{
    const RecordingEvents events = test::eventsOf(
        {{0.5f, 31}, {0.02f, 0}, {0.01f, 16}, {0.47f, R}, {0, 14}, {0.5f, R}, {0, 19}, {0, 12}, {1.0f, R}});
    EXPECT_EQ(printed(events, {0.5, 1.0}),
              "H\n"
              "\n"
              "·\n"
              "5       |\n"
              "3   5   |\n"
              "1 2 1 - |\n"
              "·\n"
              "\n");
}

// Onsets of a player: quarters and eighths around 0.5 s a beat, each off by
// up to 20 ms.
std::vector<double> playedSpacings(std::initializer_list<double> beats, double beat)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> offset(-0.02, 0.02);
    std::vector<double> spacings;
    for (const double b : beats)
        spacings.push_back(b * beat + offset(random));
    return spacings;
}

Score scoreOfSpacings(const std::vector<double>& spacings)
{
    Score score;
    double time = 1;
    score.notes.push_back({0, 0, {12}, time, std::nullopt});
    for (const double spacing : spacings) {
        time += spacing;
        score.notes.push_back({score.notes.size(), score.notes.size(), {12}, time, std::nullopt});
    }
    return score;
}

TEST(BeatFinder, TakesTheCommonestSpacingWithinTheRangeOfABeat)
{
    // Most spacings a beat, some half a beat: the beat.
    const std::vector<double> played = playedSpacings({1, 1, 0.5, 0.5, 1, 1, 2, 1, 0.5, 0.5, 1, 1}, 0.5);
    EXPECT_NEAR(findBeat(scoreOfSpacings(played)), 0.5, 0.01);
    // Mostly half beats: the most common spacing, 0.22 s, is too fast for a
    // beat and doubles.
    EXPECT_NEAR(findBeat(scoreOfSpacings(playedSpacings({1, 1, 1, 1, 2, 1, 1, 1, 1, 2}, 0.22))), 0.44, 0.02);
    // Slow whole notes of 1.6 s halve.
    EXPECT_NEAR(findBeat(scoreOfSpacings({1.6, 1.6, 3.2})), 0.8, 1e-9);
    // As many half beats as beats: the longer is the beat.
    EXPECT_NEAR(findBeat(scoreOfSpacings({0.6, 0.3, 0.3, 0.6})), 0.6, 1e-9);
    // Spacings 12 % apart count as one.
    EXPECT_NEAR(findBeat(scoreOfSpacings({0.5, 0.56, 0.9})), 0.53, 1e-9);
    EXPECT_EQ(findBeat(scoreOfSpacings({})), 0);

    // The found beat writes the half beats underlined.
    Score score = scoreOfSpacings(played);
    const JianpuScore jianpu = layoutJianpu(score, DefaultTimeSignature);
    EXPECT_EQ(jianpuText(jianpu, breakRows(jianpu, 40), "H"),
              "H\n\n"
              "1 1 1 1 1 | 1 1 - 1 | 1 1 1 1 1 |\n"
              "    ___               ___\n\n");
}

TEST(JianpuHeader, NamesTheKeyTheTimeTheSongAndTheOriginalKey)
{
    EXPECT_EQ(jianpuHeader({3, 4}, "送别"), "1=C 3/4  送别");
    EXPECT_EQ(jianpuHeader({6, 8}, "", "D"), "1=C 6/8  原调 1=D");
    EXPECT_EQ(jianpuHeader({4, 4}, "歌", "#D"), "1=C 4/4  歌  原调 1=bE");
    EXPECT_EQ(jianpuHeader({4, 4}, "歌", "Em"), "1=C 4/4  歌  原调 1=G");
    EXPECT_EQ(jianpuHeader({4, 4}, "歌", "H"), "1=C 4/4  歌");
    EXPECT_EQ(parseTimeSignature("6/8"), (TimeSignature{6, 8}));
    for (const char* bad : {"3/5", "0/4", "3/", "/4", "3-4", "3/4x", "33/4"})
        EXPECT_EQ(parseTimeSignature(bad), std::nullopt) << bad;
}

}  // namespace
}  // namespace kelodi
