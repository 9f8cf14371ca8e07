// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "core/text/utf8.h"

namespace kelodi {
namespace {

struct Utf8Case {
    const char* name;
    std::string bytes;
    bool valid;
};

class Utf8Validity : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Validity, Classifies)
{
    EXPECT_EQ(isValidUtf8(GetParam().bytes), GetParam().valid) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, Utf8Validity,
    ::testing::Values(Utf8Case{"Ascii", "0.1,C|", true}, Utf8Case{"Chinese", "琴键倍数", true},
                      Utf8Case{"FourBytes", "\xF0\x9F\x8E\xB5", true}, Utf8Case{"Highest", "\xF4\x8F\xBF\xBF", true},
                      Utf8Case{"OverlongTwo", "\xC0\x80", false}, Utf8Case{"OverlongThree", "\xE0\x80\x80", false},
                      Utf8Case{"Surrogate", "\xED\xA0\x80", false}, Utf8Case{"AboveRange", "\xF4\x90\x80\x80", false},
                      Utf8Case{"Truncated", "\xE7\x90", false}, Utf8Case{"LoneContinuation", "\x80", false},
                      Utf8Case{"GbkText", "\xC7\xD9\xBC\xFC", false}, Utf8Case{"Ff", "a\xFF", false},
                      // the lowest character of each length is not overlong
                      Utf8Case{"LowestOfThree", "\xE0\xA0\x80", true},
                      Utf8Case{"LowestOfFour", "\xF0\x90\x80\x80", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Utf8, ToUtf16WithSurrogatesAndReplacement)
{
    EXPECT_EQ(utf8ToUtf16("a琴\xF0\x9F\x8E\xB5"), (std::u16string{u'a', u'\u7434', 0xD83C, 0xDFB5}));
    EXPECT_EQ(utf8ToUtf16("a\xFF" "b"), (std::u16string{u'a', 0xFFFD, u'b'}));
}

TEST(Utf8, OffsetsCountUtf16Units)
{
    EXPECT_EQ(byteOffsetAfterUtf16Units("琴键倍数:2", 5), std::string("琴键倍数:").size());
    EXPECT_EQ(byteOffsetAfterUtf16Units("ab", 5), 2u);
    // A character outside the BMP is two units and is not split.
    EXPECT_EQ(byteOffsetAfterUtf16Units("\xF0\x9F\x8E\xB5x", 2), 4u);
    EXPECT_EQ(byteOffsetAfterUtf16Units("\xF0\x9F\x8E\xB5x", 1), 0u);
}

}  // namespace
}  // namespace kelodi
