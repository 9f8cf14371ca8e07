// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "core/keyboard/key_map.h"

namespace kelodi {
namespace {

struct CodeCase {
    const char* what;
    int code;
    int key;      // keyForCode
    float entry;  // raw table value
};

class KeyCodeTest : public ::testing::TestWithParam<CodeCase> {};

TEST_P(KeyCodeTest, LooksUpKeyAndRawEntry)
{
    const KeyMap map;
    const CodeCase& c = GetParam();
    EXPECT_EQ(map.keyForCode(c.code), c.key) << c.what;
    EXPECT_EQ(map.keyCodeMapEntry(c.code), c.entry) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Codes, KeyCodeTest,
    ::testing::Values(CodeCase{"Q plays key 0 though its entry is 0", 81, 0, 0}, CodeCase{"space", 32, -1, 0},
                      CodeCase{"Shift+space", 1032, -1, 0}, CodeCase{"Shift+E is the key of R", 1069, 5, 5},
                      CodeCase{"Shift+B stays on B", 1066, 43, 43}, CodeCase{"Shift+;", 1186, 25, 25},
                      CodeCase{"Shift+'", 1222, 27, 27}, CodeCase{"Shift+[ is the key of Z", 1219, 36, 36},
                      CodeCase{"Shift+Q is C sharp", 1081, 1, 1}, CodeCase{"below the table", -1, -1, 0},
                      CodeCase{"above the table", KeyCodeCount, -1, 0}));

TEST(KeyMap, EveryWhiteKeyAndItsShiftedCodeReachTheirKeys)
{
    const KeyMap map;
    ASSERT_EQ(map.whiteKeys().size(), 26u);
    int shiftedCodes = 0;
    for (const WhiteKey& white : map.whiteKeys()) {
        EXPECT_FALSE(isBlackKey(white.keyIndex)) << white.keyIndex;
        EXPECT_EQ(map.keyForCode(white.keyCode), white.keyIndex) << white.computerKey;
        EXPECT_EQ(map.keyForCode(white.keyCode + ShiftCodeOffset), std::min(white.keyIndex + 1, 43));
    }
    for (int code = ShiftCodeOffset; code < KeyCodeCount; ++code)
        shiftedCodes += map.keyForCode(code) >= 0 ? 1 : 0;
    EXPECT_EQ(shiftedCodes, 26);
    EXPECT_EQ(map.whiteKey(29)->computerKey, "I");
    EXPECT_EQ(map.whiteKey(29)->noteName, "f1");
    EXPECT_EQ(map.whiteKey(1), nullptr);
    EXPECT_EQ(map.whiteKey(44), nullptr);
    EXPECT_FALSE(isBlackKey(44)) << "no key above 43";
}

TEST(KeyMap, ColumnTextsSplitIntoTrimmedEntries)
{
    EXPECT_EQ(WhiteKeyTable::splitColumn(WhiteKeyTable::keyIndices),
              (std::vector<std::string>{"0",  "2",  "4",  "5",  "7",  "9",  "11", "12", "14", "16", "17", "19", "21",
                                        "23", "24", "26", "28", "29", "31", "33", "35", "36", "38", "40", "41", "43"}));
    EXPECT_EQ(WhiteKeyTable::splitColumn(WhiteKeyTable::noteNames).back(), "琴键：g2");
    EXPECT_EQ(WhiteKeyTable::splitColumn(" a |b|  "), (std::vector<std::string>{"a", "b", ""}));
}

TEST(KeyMap, KeyInfoDerivesBlackKeysFromTheKeyBelow)
{
    const KeyMap map;
    EXPECT_EQ(map.keyInfo(0), "字符：Q 琴键：C 简谱：低音1");
    EXPECT_EQ(map.keyInfo(1), "字符：Shift+Q 琴键：#C 简谱：低音#1");
    EXPECT_EQ(map.keyInfo(30), "字符：Shift+i 琴键：#f1 简谱：高音#4");
    EXPECT_EQ(map.keyInfo(42), "字符：Shift+V 琴键：#f2 简谱：超高音#4");
    EXPECT_EQ(map.keyInfo(44), "");
}

}  // namespace
}  // namespace kelodi
