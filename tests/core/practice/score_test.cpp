// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/keyboard/label_modes.h"
#include "core/practice/jianpu_note.h"
#include "core/practice/score.h"
#include "core/recording/dzq_format.h"
#include "core/keyboard/keyboard_rig.h"
#include "core/recording/event_notation.h"

namespace kelodi {
namespace {

using test::R;

using test::eventsOf;

// The score as one line of text: each note's jianpu text, "0" for a rest.
std::string scoreText(const Score& score)
{
    std::string text;
    for (const ScoreSymbol& symbol : score.symbols)
        text += (text.empty() ? "" : " ") + (symbol.isRest() ? std::string("0") : jianpuNote(symbol.key).text());
    return text;
}

// The jianpu names of the key info texts ("简谱：低音#1") and the label
// pieces of the white keys are the two other places a key's jianpu is
// written; the score must agree with both.
TEST(JianpuNote, AgreesWithTheKeyLabelsAndTheKeyTexts)
{
    const KeyMap map;
    const std::string crlf = "\r\n";
    for (int key = 0; key < KeyCount; ++key) {
        const JianpuNote note = jianpuNote(key);
        const std::string& info = map.keyInfo(key);
        const std::string name = info.substr(info.find("简谱：") + std::string("简谱：").size());
        const std::string octave = name.substr(0, name.find("音"));
        EXPECT_EQ(name.substr(name.find("音") + std::string("音").size()), note.digits) << "key " << key;
        const std::string marks = note.above + "|" + note.below;
        const std::string expectedMarks = octave == "低" ? "|·" : octave == "中" ? "|" : octave == "高" ? "·|" : ":|";
        EXPECT_EQ(marks, expectedMarks) << "key " << key << " " << name;

        if (isBlackKey(key))
            continue;
        std::string piece = LabelModes::caption(map, key, true, false, false);
        piece.erase(0, 8 * crlf.size());
        const std::string fromNote = note.above.empty() ? note.digits + crlf + note.below : note.above + crlf + note.digits;
        EXPECT_EQ(piece, fromNote + crlf) << "key " << key;
    }
    EXPECT_TRUE(jianpuNote(-1).empty());
    EXPECT_TRUE(jianpuNote(KeyCount).empty());
}

// The letter drawn on the marked key must be the one that plays it.
TEST(ComputerKeyLabel, PlaysTheKeyItNames)
{
    test::KeyboardRig rig;
    for (int key = 0; key < KeyCount; ++key) {
        const ComputerKeyLabel label = computerKeyLabel(rig.map, key);
        int code = -1;
        for (const WhiteKey& white : rig.map.whiteKeys())
            if (white.computerKey == label.key)
                code = white.keyCode;
        ASSERT_GE(code, 0) << "key " << key << " label " << label.key;
        rig.computer.keyDown(code, label.shift ? 1 : 0);
        EXPECT_TRUE(rig.keys.isSounding(key)) << "key " << key << " label " << (label.shift ? "Shift+" : "") << label.key;
        rig.computer.keyUp(code, label.shift ? 1 : 0);
    }
    EXPECT_TRUE(computerKeyLabel(rig.map, 44).key.empty());
}

TEST(Score, WritesTheNotesOfAJianpuFileWithItsRests)
{
    // Held 0.8 of each beat: the 0.2 beat after each note is no rest, the
    // two-beat rest (plus the tail of the note before) is two.
    const RecordingFile file = parseRecordingText("简谱倍数:0.5\n音符比例:0.8\n音符最长:2\n"
                                                  "1,1|2,1|0,2|3,1|5-,1|1+,1|#4,1|1++,2\n");
    const Score score = buildScore(file.events);
    EXPECT_EQ(scoreText(score), "1 2 0 0 3 5· ·1 #4 :1");
    EXPECT_NEAR(score.beat, 0.5, 1e-6);
    EXPECT_EQ(score.noteCount, 7u);
}

TEST(Score, ARestIsAPauseOfHalfABeatOrMore)
{
    // Presses a beat (1 s) apart; the first release leaves exactly half a
    // beat before the next press, the second a quarter.
    const Score score = buildScore(eventsOf({{0.1f, 12}, {0.5f, R}, {0.5f, 14}, {0.75f, R}, {0.25f, 16}, {1, R}}));
    EXPECT_EQ(scoreText(score), "1 0 2 3");
    EXPECT_EQ(score.symbols[1], (ScoreSymbol{1, -1}));  // the rest begins with event 1
}

TEST(Score, CountsTheBeatsOfAPauseUpToABar)
{
    // Presses a beat (1 s) apart, each held 3/4 of it, but for two pauses.
    const Score score = buildScore(eventsOf({{0.1f, 12}, {0.75f, R}, {0.25f, 14}, {0.75f, R}, {0.25f, 16},
                                             {0.75f, R}, {0.25f, 17}, {0.75f, R}, {2.5f, 19}, {0.75f, R},
                                             {9.5f, 21}, {0.75f, R}, {0.25f, 23}, {0.75f, R}, {0.25f, 24},
                                             {0.75f, R}}));
    EXPECT_DOUBLE_EQ(score.beat, 1.0);
    // A pause of 2.5 beats is three rests (half rounds up), one of 9.5 four.
    EXPECT_EQ(scoreText(score), "1 2 3 4 0 0 0 5 0 0 0 0 6 7 ·1");
}

TEST(Score, SilenceBeforeTheFirstAndAfterTheLastNoteIsNotWritten)
{
    EXPECT_EQ(scoreText(buildScore(eventsOf({{5, R}, {3, 12}, {0.75f, R}, {0.25f, 14}, {0.5f, R}, {9, R}}))), "1 2");
}

TEST(Score, KeysStruckTogetherDoNotSetTheBeat)
{
    // Two-key chords a second apart with half a second of silence between:
    // the beat is the second, not the zero between the keys of a chord.
    const Score score = buildScore(eventsOf({{0.1f, 12}, {0, 16}, {0.5f, R}, {0.5f, 14}, {0, 17}, {0.5f, R},
                                             {0.5f, 16}, {0, 19}, {0.5f, R}}));
    EXPECT_DOUBLE_EQ(score.beat, 1.0);
    EXPECT_EQ(scoreText(score), "1 3 0 2 4 0 3 5");
}

TEST(Score, FindsTheNoteOfAPressAndTheNextPress)
{
    // Event 2 holds no key (a value the player fires silently).
    const RecordingEvents events = eventsOf({{0.1f, 12}, {0.5f, R}, {0.1f, 60}, {0.4f, 14}, {0.1f, 12}});
    const Score score = buildScore(events);
    EXPECT_EQ(scoreText(score), "1 0 2 1");
    EXPECT_EQ(score.noteSymbol(0), 0u);
    EXPECT_EQ(score.noteSymbol(3), 2u);
    EXPECT_EQ(score.noteSymbol(4), 3u);
    EXPECT_EQ(score.noteSymbol(1), std::nullopt);
    EXPECT_EQ(score.noteSymbol(2), std::nullopt);
    EXPECT_EQ(nextPress(events, 1), 3u);
    EXPECT_EQ(nextPress(events, 5), std::nullopt);
    EXPECT_EQ(pressedKey(events, 4), 12);
    EXPECT_EQ(pressedKey(events, 1), -1);
}

TEST(Score, IsCutAfterItsLastNoteWrittenWithNoRestBehindIt)
{
    // Four notes a beat apart but for three beats of silence before the last.
    const RecordingEvents events =
        eventsOf({{0.1f, 12}, {0.75f, R}, {0.25f, 14}, {0.75f, R}, {0.25f, 16}, {0.75f, R}, {3.25f, 17}, {0.75f, R}});
    const Score whole = buildScore(events, 4);
    EXPECT_EQ(scoreText(whole), "1 2 3 0 0 0 4");
    EXPECT_FALSE(whole.cut);

    const Score cut = buildScore(events, 3);
    EXPECT_EQ(scoreText(cut), "1 2 3");
    EXPECT_TRUE(cut.cut);
    EXPECT_EQ(cut.noteCount, 3u);
    EXPECT_DOUBLE_EQ(cut.beat, 1.0);
    EXPECT_EQ(cut.noteSymbol(4), 2u);
    EXPECT_EQ(cut.noteSymbol(6), std::nullopt);  // the press past the cut

    EXPECT_EQ(scoreText(buildScore(events, 0)), "");
    EXPECT_TRUE(buildScore(events, 0).cut);
    EXPECT_EQ(countPresses(events), 4u);
}

TEST(ScoreLayout, FillsLinesAndEndsOneAfterARestNearItsEnd)
{
    Score score;
    auto note = [&] { score.symbols.push_back({score.symbols.size(), 12}); };
    auto rest = [&] { score.symbols.push_back({score.symbols.size(), -1}); };
    for (int i = 0; i < 10; ++i)
        note();
    EXPECT_EQ(layoutScore(score, 4), (std::vector<ScoreLine>{{0, 4}, {4, 4}, {8, 2}}));
    EXPECT_EQ(layoutScore(score, 0).size(), 10u);

    // Symbols 0..9: a rest at 6 lies in the last quarter of the first line of
    // eight, a rest at 2 does not.
    score.symbols.clear();
    for (int i = 0; i < 12; ++i)
        (i == 2 || i == 6) ? rest() : note();
    EXPECT_EQ(layoutScore(score, 8), (std::vector<ScoreLine>{{0, 7}, {7, 5}}));
    EXPECT_TRUE(layoutScore(Score{}, 8).empty());
}

}  // namespace
}  // namespace kelodi
