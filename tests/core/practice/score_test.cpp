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

TEST(Score, ChordsAreTheKeysStruckWithin30MsOfTheFirstWithTheirRelease)
{
    // 0, 20 and 30 ms: one chord; then 31 ms apart: two notes. Event 7
    // presses no key (a value the player fires silently).
    const RecordingEvents events = eventsOf(
        {{0.5f, 19}, {0.02f, 12}, {0.01f, 16}, {0.4f, R}, {0.1f, 14}, {0.031f, 17}, {0.5f, R}, {0.1f, 60}});
    const Score score = buildScore(events);
    ASSERT_EQ(score.notes.size(), 3u);
    EXPECT_EQ(score.notes[0].keys, (std::vector<int>{12, 16, 19}));
    EXPECT_NEAR(score.notes[0].start, 0.5, 1e-6);
    EXPECT_NEAR(*score.notes[0].release, 0.93, 1e-6);
    EXPECT_EQ(score.notes[1].keys, std::vector<int>{14});
    EXPECT_FALSE(score.notes[1].release);  // the next note comes first
    EXPECT_EQ(score.notes[2].keys, std::vector<int>{17});
    EXPECT_NEAR(*score.notes[2].release, 1.561, 1e-6);
    for (std::size_t event = 0; event < 3; ++event)
        EXPECT_EQ(score.noteSymbol(event), 0u) << event;
    EXPECT_EQ(score.noteSymbol(3), std::nullopt);
    EXPECT_EQ(score.noteSymbol(5), 2u);
    EXPECT_EQ(score.noteSymbol(7), std::nullopt);

    const Score cut = buildScore(events, 1);
    EXPECT_TRUE(cut.cut);
    EXPECT_EQ(cut.noteCount, 1u);
    EXPECT_FALSE(buildScore(events, 3).cut);
    EXPECT_EQ(nextPress(events, 3), 4u);
    EXPECT_EQ(countPresses(events), 5u);
}

}  // namespace
}  // namespace kelodi
