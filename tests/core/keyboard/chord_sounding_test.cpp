// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "core/keyboard/chord_spellings.h"
#include "core/keyboard/keyboard_rig.h"

namespace kelodi {
namespace {

constexpr int KeyD = 68;  // plays key 12, the C an octave above the lowest key
constexpr int RootOfD = 36 + 12;

class ChordSoundingTest : public ::testing::TestWithParam<test::ChordSpelling> {};

// Each chord type, played from the computer keyboard, sounds its root and
// the chord's intervals above it, lowest first, colours those keys, and its
// release stops exactly those notes and gives the keys their colours back.
TEST_P(ChordSoundingTest, SoundsTheChordItIsNamedFor)
{
    const test::ChordSpelling& chord = GetParam();
    test::KeyboardRig rig;
    rig.panel.setChordType(chord.type);
    EXPECT_EQ(rig.panel.state().caption(PanelSpinner::Chord), chord.label);

    rig.computer.keyDown(KeyD, 0);
    std::vector<ShortMessage> on;
    std::vector<ShortMessage> off;
    for (int step : chord.intervals) {
        on.push_back(noteOnMessage(0, RootOfD + step));
        off.push_back(noteOffMessage(0, RootOfD + step));
        EXPECT_EQ(rig.view.colours[12 + step], KeyColour::Red) << "key " << 12 + step;
    }
    EXPECT_EQ(rig.messages(), on);
    EXPECT_EQ(rig.view.colours.size(), chord.intervals.size());

    rig.messages().clear();
    rig.computer.keyUp(KeyD, 0);
    EXPECT_EQ(rig.messages(), off);
    for (const auto& [key, colour] : rig.view.colours)
        EXPECT_EQ(colour, isBlackKey(key) ? KeyColour::Black : KeyColour::White) << "key " << key;
}

INSTANTIATE_TEST_SUITE_P(EveryType, ChordSoundingTest, ::testing::ValuesIn(test::chordSpellings()),
                         [](const auto& info) { return "Type" + std::to_string(info.param.type); });

// A chord type outside 0..10 has no shape: the key path sounds nothing for it.
TEST(ChordTable, NoShapeOutsideTheElevenTypes)
{
    for (int type : {-1, 11}) {
        EXPECT_EQ(chordShape(type), nullptr) << type;
        EXPECT_EQ(chordName(type), "") << type;
    }
}

}  // namespace
}  // namespace kelodi
