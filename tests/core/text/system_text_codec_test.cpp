// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "platform/text/system_text_codec.h"

namespace kelodi {
namespace {

const TextCodec& codec()
{
    return systemTextCodec();
}

TEST(SystemTextCodec, ConvertsTheFormatsWordsBothWays)
{
    const std::string gbk = "\xC7\xD9\xBC\xFC\xB1\xB6\xCA\xFD:1 \xCC\xA7\xC6\xF0";
    EXPECT_EQ(codec().gbkToUtf8(gbk), "琴键倍数:1 抬起");
    EXPECT_EQ(codec().utf8ToGbk("琴键倍数:1 抬起"), gbk);
    // Code page 936 has the euro sign at 0x80.
    EXPECT_EQ(codec().gbkToUtf8("\x80"), "€");
    EXPECT_EQ(codec().utf8ToGbk(""), std::string());
}

TEST(SystemTextCodec, DecodingReplacesOnlyTheBadBytes)
{
    EXPECT_EQ(codec().gbkToUtf8("a\xFF" "b"), "a\uFFFDb");
    EXPECT_EQ(codec().gbkToUtf8("ab\xC7"), "ab\uFFFD");  // lead byte cut off by the end
    EXPECT_EQ(codec().gbkToUtf8(std::string("x\0y", 3)), std::string("x\0y", 3));
    // A lead byte before a byte that cannot follow it: only the lead is lost.
    EXPECT_EQ(codec().gbkToUtf8("\xC7" "1\xCC\xA7"), "\uFFFD" "1抬");
}

// GBK's user-defined areas hold no agreed characters. Every system's
// converter must treat them alike, or a score reads differently on Windows
// (which maps them into Unicode's private use area) and elsewhere.
TEST(SystemTextCodec, UserDefinedAreasAreNoCharacters)
{
    EXPECT_EQ(codec().gbkToUtf8("\xAA\xA1" "b"), "\uFFFD\uFFFD" "b");
    EXPECT_EQ(codec().gbkToUtf8("\xCC\xA7\xFE\xFE\xC6\xF0"), "抬\uFFFD\uFFFD起");
    EXPECT_EQ(codec().gbkToUtf8("\xA1\x40"), "\uFFFD@");
    EXPECT_FALSE(codec().utf8ToGbk("\uE000"));
}

TEST(SystemTextCodec, EncodingRefusesWhatGbkCannotHold)
{
    EXPECT_FALSE(codec().utf8ToGbk("\xF0\x9F\x8E\xB5"));  // an emoji
    EXPECT_FALSE(codec().utf8ToGbk("a\xFF"));              // not UTF-8
}

}  // namespace
}  // namespace kelodi
