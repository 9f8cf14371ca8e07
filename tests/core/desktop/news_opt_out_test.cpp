// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>

#include "core/desktop/news_opt_out.h"

namespace kelodi {
namespace {

struct OptOutCase {
    const char* name;
    std::string fileText;
    bool expected;
};

class NoNewsPopupReading : public ::testing::TestWithParam<OptOutCase> {};

TEST_P(NoNewsPopupReading, FirstNonBlankLineDecides)
{
    EXPECT_EQ(readNoNewsPopup(GetParam().fileText), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, NoNewsPopupReading,
    ::testing::Values(
        OptOutCase{"True", "True\r\n", true},
        OptOutCase{"TrueWithoutLineEnd", "True", true},
        OptOutCase{"One", "1\r\n", true},
        OptOutCase{"OnePointZero", "1.0\r\n", true},
        OptOutCase{"OneAfterBlanks", "   1\r\n", true},
        OptOutCase{"OneFollowedByText", "1abc\r\n", true},
        OptOutCase{"OneWithExponent", "0.1e1\r\n", true},
        OptOutCase{"PlusOne", "+1\r\n", true},
        OptOutCase{"BlankLinesFirst", "\r\n   \r\n\r\nTrue\r\n", true},
        OptOutCase{"LoneLineFeeds", "\n\nTrue\n", true},
        OptOutCase{"LoneCarriageReturns", "\r\rTrue\r", true},
        // The word is compared as read: blanks around it and other spellings
        // do not count.
        OptOutCase{"TrueAfterBlanks", "  True\r\n", false},
        OptOutCase{"TrueWithTrailingBlank", "True \r\n", false},
        OptOutCase{"LowerCase", "true\r\n", false},
        OptOutCase{"Yes", "yes\r\n", false},
        OptOutCase{"False", "False\r\n", false},
        OptOutCase{"FalseThenTrue", "False\r\nTrue\r\n", false},
        OptOutCase{"Zero", "0\r\n", false},
        OptOutCase{"MinusOne", "-1\r\n", false},
        OptOutCase{"Eleven", "11\r\n", false},
        OptOutCase{"OneAndABit", "1.5\r\n", false},
        OptOutCase{"SpaceInsideNumber", "1 0\r\n", true},  // the number ends at the blank
        OptOutCase{"Infinity", "inf\r\n", false},
        OptOutCase{"HugeNumber", "1e999\r\n", false},
        OptOutCase{"TabOnlyLineCounts", "\t\r\nTrue\r\n", false},
        OptOutCase{"Empty", "", false},
        OptOutCase{"OnlyBlankLines", "\r\n  \r\n", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NoNewsPopupWriting, WritesTheWordAndCrLf)
{
    EXPECT_EQ(noNewsPopupFileText(true), "True\r\n");
    EXPECT_EQ(noNewsPopupFileText(false), "False\r\n");
    EXPECT_TRUE(readNoNewsPopup(noNewsPopupFileText(true)));
    EXPECT_FALSE(readNoNewsPopup(noNewsPopupFileText(false)));
}

}  // namespace
}  // namespace kelodi
