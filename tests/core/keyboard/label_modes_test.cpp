// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "core/keyboard/keyboard_rig.h"
#include "core/keyboard/label_modes.h"

namespace kelodi {
namespace {

const std::string Lead = "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n";

struct KeyPieces {
    int key;
    const char* jianpu;
    const char* noteName;
    const char* computerKey;
};

const KeyPieces Pieces[] = {
    {0, "1\r\n·", "C", "Q"},   {12, "1\r\n", "c", "D"}, {24, "·\r\n1", "c1", ";"},
    {29, "·\r\n4", "f1", "I"}, {36, ":\r\n1", "c2", "Z"},
};

class CaptionTest : public ::testing::TestWithParam<int> {};

TEST_P(CaptionTest, PiecesComeInFixedOrderBelowEightLineBreaks)
{
    const int modes = GetParam();
    const bool jianpu = modes & 1, noteName = modes & 2, computerKey = modes & 4;
    KeyMap map;
    for (const KeyPieces& p : Pieces) {
        std::string expected = Lead;
        if (jianpu)
            expected += std::string(p.jianpu) + "\r\n";
        if (noteName)
            expected += std::string(p.noteName) + "\r\n";
        if (computerKey)
            expected += std::string(p.computerKey) + "\r\n";
        EXPECT_EQ(LabelModes::caption(map, p.key, jianpu, noteName, computerKey), expected) << p.key;
    }
    for (int black : {1, 42})
        EXPECT_EQ(LabelModes::caption(map, black, jianpu, noteName, computerKey), "") << black;
}

INSTANTIATE_TEST_SUITE_P(AllModes, CaptionTest, ::testing::Range(0, 8));

// Remembers every set of modes it was shown.
struct ModesLog : LabelModesView {
    void showLabelModes(const LabelModeSet& on) override { shown.push_back(on); }
    std::vector<LabelModeSet> shown;
};

struct LabelModesTest : ::testing::Test {
    test::FakeKeyboardView view;
    KeyMap map;
    LabelModes modes{view, map};
    ModesLog menuAndBoxes;
    LabelModesTest() { modes.setView(&menuAndBoxes); }
};

TEST_F(LabelModesTest, MenuChoiceTogglesItsModeAndLabelsOnlyWhiteKeys)
{
    menuAndBoxes.shown.clear();
    modes.toggle(LabelMode::Jianpu);
    EXPECT_TRUE(modes.isOn(LabelMode::Jianpu));
    EXPECT_EQ(menuAndBoxes.shown, (std::vector<LabelModeSet>{{true, false, false}}));
    EXPECT_EQ(view.captions.size(), 26u);
    EXPECT_EQ(view.captions[36], Lead + ":\r\n1\r\n");
    EXPECT_EQ(view.captions.count(1), 0u);
    modes.toggle(LabelMode::ComputerKey);
    EXPECT_EQ(menuAndBoxes.shown.back(), (LabelModeSet{true, false, true}));
    modes.toggle(LabelMode::Jianpu);
    EXPECT_FALSE(modes.isOn(LabelMode::Jianpu));
    EXPECT_EQ(view.captions[0], Lead + "Q\r\n");
}

// A box click switches its mode once: the box already shows the new state,
// so being told it again (the window reports one click both ways) changes
// nothing, and the menu shows what the box shows.
TEST_F(LabelModesTest, ABoxClickTogglesOnce)
{
    modes.setMode(LabelMode::NoteName, true);
    EXPECT_TRUE(modes.isOn(LabelMode::NoteName));
    EXPECT_EQ(view.captions[29], Lead + "f1\r\n");
    modes.setMode(LabelMode::NoteName, false);
    EXPECT_FALSE(modes.isOn(LabelMode::NoteName));
    for (const auto& [key, caption] : view.captions)
        EXPECT_EQ(caption, Lead) << key;

    menuAndBoxes.shown.clear();
    modes.setMode(LabelMode::ComputerKey, true);
    modes.setMode(LabelMode::ComputerKey, true);
    EXPECT_TRUE(modes.isOn(LabelMode::ComputerKey));
    EXPECT_EQ(menuAndBoxes.shown, (std::vector<LabelModeSet>{{false, false, true}}));
    EXPECT_EQ(view.captions[0], Lead + "Q\r\n");
}

}  // namespace
}  // namespace kelodi
