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

struct LabelModesTest : ::testing::Test {
    test::FakeKeyboardView view;
    KeyMap map;
    LabelModes modes{view, map};
    std::vector<std::pair<int, bool>> ticks;
    LabelModesTest()
    {
        modes.displayMenuCheck = [this](int i, bool on) { ticks.emplace_back(i, on); };
    }
};

TEST_F(LabelModesTest, MenuChoiceTicksTheBoxAndLabelsOnlyWhiteKeys)
{
    int boxClicks = 0;
    modes.check2[0].display = [&](int) { ++boxClicks; };
    modes.tishi1Click(0);
    EXPECT_TRUE(modes.isMenuChecked(0));
    EXPECT_TRUE(modes.check2[0].isChecked());
    EXPECT_EQ(boxClicks, 1);
    EXPECT_EQ(ticks, (std::vector<std::pair<int, bool>>{{0, true}, {1, false}, {2, false}}));
    EXPECT_EQ(view.captions.size(), 26u);
    EXPECT_EQ(view.captions[36], Lead + ":\r\n1\r\n");
    EXPECT_EQ(view.captions.count(1), 0u);
    modes.tishi1Click(2);
    EXPECT_TRUE(modes.check2[2].isChecked());
}

TEST_F(LabelModesTest, BoxClickedTwiceTogglesOnceEachTime)
{
    modes.check2[1].setChecked(true);
    EXPECT_TRUE(modes.isMenuChecked(1));
    EXPECT_EQ(view.captions[29], Lead + "f1\r\n");
    modes.check2[1].setChecked(false);
    EXPECT_FALSE(modes.isMenuChecked(1));
    EXPECT_FALSE(modes.check2[1].isChecked());
    for (const auto& [key, caption] : view.captions)
        EXPECT_EQ(caption, Lead) << key;

    modes.check2[2].setChecked(true);  // the window reports one click both ways
    modes.check2Click(2);
    EXPECT_TRUE(modes.isMenuChecked(2));
    EXPECT_EQ(view.captions[0], Lead + "Q\r\n");
    modes.check2[0].setChecked(true);
    EXPECT_TRUE(modes.isMenuChecked(0));
    modes.tishi1Click(3);
    EXPECT_FALSE(modes.isMenuChecked(3));
}

}  // namespace
}  // namespace kelodi
