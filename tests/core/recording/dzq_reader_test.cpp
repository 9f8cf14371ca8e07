// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/recording/dzq_format.h"
#include "core/recording/event_notation.h"
#include "platform/text/system_text_codec.h"

namespace kelodi {
namespace {

using test::R;

struct Event {
    double delay;
    int key;
};

struct ReaderCase {
    const char* name;
    std::string text;  // UTF-8; also run encoded as GBK
    std::vector<Event> events;
};

std::ostream& operator<<(std::ostream& os, const ReaderCase& c)
{
    return os << c.name;
}

enum class Encoding { Utf8, Utf8Bom, Gbk };

std::string encode(const std::string& text, Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8: return text;
    case Encoding::Utf8Bom: return "\xEF\xBB\xBF" + text;
    case Encoding::Gbk: return systemTextCodec().utf8ToGbk(text).value();
    }
    return text;
}

void expectEvents(const RecordingEvents& actual, const std::vector<Event>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_FLOAT_EQ(actual[i].delay, static_cast<float>(expected[i].delay)) << "event " << i;
        EXPECT_EQ(test::keyOf(actual[i]), expected[i].key) << "event " << i;
    }
}

class ReaderTable : public ::testing::TestWithParam<std::tuple<ReaderCase, Encoding>> {};

TEST_P(ReaderTable, ReadsTheEvents)
{
    const auto& [c, encoding] = GetParam();
    const RecordingFile file = parseRecording(encode(c.text, encoding), systemTextCodec());
    expectEvents(file.events, c.events);
}

const ReaderCase HeaderCases[] = {
    {"FullWidthHeaderAndSeparators", "琴键倍数：2\r\n0.5，C｜0.5，抬起", {{1.0, 0}, {1.0, R}}},
    {"NoHeaderLineOneIsEvents", "0.1,C|0.2,D", {{0.1, 0}, {0.2, 2}}},
    {"ZeroFactorIsOne", "琴键倍数:0\r\n0.5,C", {{0.5, 0}}},
    {"TextFactorIsOne", "琴键倍数:abc\r\n0.5,C", {{0.5, 0}}},
    {"NegativeFactorIsOne", "琴键倍数:-2\r\n0.5,C", {{0.5, 0}}},
    {"TinyFactorIsOne", "琴键倍数:0.009\r\n0.5,C", {{0.5, 0}}},
    {"SmallestFactorCounts", "琴键倍数:0.01\r\n100,C", {{1.0, 0}}},
    {"OverflowingFactorIsOne", "琴键倍数:1e999\r\n0.5,C", {{0.5, 0}}},
    {"SpacedHeader", " 琴键倍数 : 0.5 \r\n2,C", {{1.0, 0}}},
    // The number is read after the first five characters, wherever the
    // keyword stands; here that leaves ":2", which is no number.
    {"KeywordNotAtStart", "x琴键倍数:2\r\n1,C", {{1.0, 0}}},
    {"HeaderOnly", "琴键倍数:1\r\n", {}},
    {"HeaderLineHoldsNoEvents", "琴键倍数:1|0.1,C\r\n0.2,D", {{0.2, 2}}},
    {"Empty", "", {}},
};
INSTANTIATE_TEST_SUITE_P(Headers, ReaderTable,
                         ::testing::Combine(::testing::ValuesIn(HeaderCases),
                                            ::testing::Values(Encoding::Utf8, Encoding::Gbk)));

const ReaderCase SeparatorCases[] = {
    {"LineEndsCrLfCrAndLf", "0.1,C\r0.2,D\n\n0.3,E|\r\n\r\n0.4,F", {{0.1, 0}, {0.2, 2}, {0.3, 4}, {0.4, 5}}},
    {"SpacesAnywhere", " 0 . 1 , # c 1 | \t0.2 ,　D \r\n0.3,E　", {{0.1, 25}, {0.2, 2}, {0.3, 4}}},
    {"MalformedItemsLoseNothingElse", "0.1,C|junk|0.2,,D|0.3,D,E|,E|0.4,|||0.5,E\r\n0.6,F",
     {{0.1, 0}, {0.5, 4}, {0.6, 5}}},
    {"DelayTextNotANumberIsZero", "abc,C|1.5s,D|.5,E|5.,F", {{0, 0}, {1.5, 2}, {0.5, 4}, {5, 5}}},
    {"UnsafeDelaysAreZero", "-1,C|1e999,D|nan,E|inf,F|-0,G", {{0, 0}, {0, 2}, {0, 4}, {0, 5}, {0, 7}}},
    {"DelayBeyondSinglePrecisionIsZero", "1e39,C|2,D", {{0, 0}, {2, 2}}},
    {"DelayLongerThanADayIsZero", "86400,C|86401,D|3e38,E", {{86400, 0}, {0, 2}, {0, 4}}},
    {"ExponentNumbers", "1e-1,C|2E1,D|3e,E", {{0.1, 0}, {20, 2}, {3, 4}}},
};
INSTANTIATE_TEST_SUITE_P(Separators, ReaderTable,
                         ::testing::Combine(::testing::ValuesIn(SeparatorCases),
                                            ::testing::Values(Encoding::Utf8, Encoding::Gbk)));

const ReaderCase KeyNameCases[] = {
    {"CaseMatters", "1,C|1,c|1,c1|1,c2", {{1, 0}, {1, 12}, {1, 24}, {1, 36}}},
    {"HighestKey", "1,g2|1,#f2", {{1, 43}, {1, 42}}},
    {"SharpOfAnyWhiteKeyBelowTheTop", "1,#E|1,#B|1,#e|1,#b|1,#e1|1,#b1|1,#e2",
     {{1, 5}, {1, 12}, {1, 17}, {1, 24}, {1, 29}, {1, 36}, {1, 41}}},
    {"NotKeyNames", "1,#g2|1,H|1,a2|1,b2|1,C1|1,c3|1,##C|1,cc|1,c11|1,D", {{1, 2}}},
    {"AnythingHoldingTheReleaseWord", "1,x抬起y|1,抬起", {{1, R}, {1, R}}},
};
INSTANTIATE_TEST_SUITE_P(KeyNames, ReaderTable,
                         ::testing::Combine(::testing::ValuesIn(KeyNameCases),
                                            ::testing::Values(Encoding::Utf8, Encoding::Gbk)));

const std::string JianpuHead = "简谱倍数:1\r\n音符比例:0.5\r\n音符最长:2\r\n";

const ReaderCase JianpuCases[] = {
    {"OneNote", JianpuHead + "5,1", {{1, 19}, {0.5, R}, {0.5, R}}},
    {"FirstNoteAfterTempoFactor", "简谱倍数:2\r\n音符比例:0.5\r\n\r\n1,1", {{2, 12}, {1, R}, {1, R}}},
    {"LfLinesWithAnEmptyThirdLine", "简谱倍数:1\n音符比例:0.5\n\n5,1", {{1, 19}, {0.5, R}, {0.5, R}}},
    {"RatioAboveTwoIsDefault", "简谱倍数:1\r\n音符比例:3\r\n\r\n5,1", {{1, 19}, {0.7, R}, {0.3, R}}},
    {"RatioBelowMinimumIsDefault", "简谱倍数:1\r\n音符比例:0.005\r\n\r\n5,1", {{1, 19}, {0.7, R}, {0.3, R}}},
    {"RatioLineWithoutKeywordIsDefault", "简谱倍数:1\r\n0.5\r\n\r\n5,1", {{1, 19}, {0.7, R}, {0.3, R}}},
    {"RatioTwoGivesNoRest", "简谱倍数:1\r\n音符比例:2\r\n\r\n5,1|6,1", {{1, 19}, {2, R}, {0, 21}, {2, R}, {0, R}}},
    {"Marks", JianpuHead + "1++,2|5++,2|1-,2|7--,2|#4,2|3+,2|#1--,2",
     {{1, 36}, {1, R}, {1, 43}, {1, R}, {1, 0}, {1, R}, {1, 0}, {1, R},
      {1, 18}, {1, R}, {1, 28}, {1, R}, {1, 1}, {1, R}, {1, R}}},
    {"RestAndNotesAboveTheKeyboard", JianpuHead + "0,2|6++,1|1,1",
     {{1, R}, {1, R}, {0.5, R}, {0.5, 12}, {0.5, R}, {0.5, R}}},
    {"SkippedItemsKeepTheirNeighbours", JianpuHead + "5|5,0|5,-1|,1|5,x|1,1,9|\r\n\r\n2,1",
     {{1, 12}, {0.5, R}, {0.5, 14}, {0.5, R}, {0.5, R}}},
    {"LengthsRoundToMilliseconds", JianpuHead + "1,0.3333", {{1, 12}, {0.167, R}, {0.167, R}}},
    {"FullWidthForms", "简谱倍数：1\r\n音符比例：0.5\r\n\r\n1，1｜2，1",
     {{1, 12}, {0.5, R}, {0.5, 14}, {0.5, R}, {0.5, R}}},
    {"FewerThanFourLines", "简谱倍数:1\r\n音符比例:0.5\r\n音符最长:2", {}},
};
INSTANTIATE_TEST_SUITE_P(Jianpu, ReaderTable,
                         ::testing::Combine(::testing::ValuesIn(JianpuCases),
                                            ::testing::Values(Encoding::Utf8, Encoding::Utf8Bom, Encoding::Gbk)));

TEST(Reader, ReportsDialectEncodingAndSkippedItems)
{
    const std::string text = JianpuHead + "5,1|9,1\r\n1\r\n";
    const RecordingFile gbk = parseRecording(encode(text, Encoding::Gbk), systemTextCodec());
    EXPECT_EQ(gbk.report.dialect, RecordingDialect::Jianpu);
    EXPECT_EQ(gbk.report.encoding, TextEncoding::Gbk);
    EXPECT_DOUBLE_EQ(gbk.report.soundingRatio, 0.5);
    EXPECT_EQ(gbk.report.linesRead, 5);
    ASSERT_EQ(gbk.report.skippedCount, 2u);
    EXPECT_EQ(gbk.report.skipped[0].line, 4);
    EXPECT_EQ(gbk.report.skipped[0].text, "9,1");
    EXPECT_EQ(gbk.report.skipped[0].reason, SkipReason::UnknownKey);
    EXPECT_EQ(gbk.report.skipped[1].line, 5);
    EXPECT_EQ(gbk.report.skipped[1].reason, SkipReason::MalformedItem);

    const RecordingFile bom = parseRecording(encode("琴键倍数:1\r\n1,C", Encoding::Utf8Bom), systemTextCodec());
    EXPECT_EQ(bom.report.encoding, TextEncoding::Utf8WithBom);
    EXPECT_TRUE(bom.report.hasHeader);
    EXPECT_EQ(bom.events.size(), 1u);
}

// A byte that is no GBK character costs only its own item; the header and
// the other lines still read.
// A delay read as 0 is reported with its item, but not the rest of a jianpu
// note held longer than its length (a sounding ratio above 1), which is
// negative by design and never written in the file.
TEST(Reader, ReportsDelaysReadAsZero)
{
    RecordingFile file = parseRecordingText("简谱倍数:1\r\n音符比例:1.5\r\n音符最长:2\r\n1,1|2,1\r\n");
    EXPECT_EQ(file.events.size(), 5u);
    EXPECT_EQ(file.report.zeroedDelayCount, 0u);

    // The first note waits 1 s times the factor: more than a day.
    file = parseRecordingText("简谱倍数:100000\r\n音符比例:0.5\r\n音符最长:2\r\n\r\n1,1|2,1\r\n");
    EXPECT_EQ(file.events[0].delay, 0.0f);
    EXPECT_EQ(file.events[1].delay, 50000.0f);
    ASSERT_EQ(file.report.zeroedDelayCount, 1u);
    EXPECT_EQ(file.report.zeroedDelays[0].line, 5);
    EXPECT_EQ(file.report.zeroedDelays[0].text, "1,1");
}

TEST(Reader, DamagedGbkBytesLoseOnlyTheirItem)
{
    std::string bytes = encode("琴键倍数:2\r\n0.5,C|0.5,抬起\r\n", Encoding::Gbk);
    bytes += "0.5,\xFF" "D|0.5,E\r\n";
    const RecordingFile file = parseRecording(bytes, systemTextCodec());
    EXPECT_EQ(file.report.encoding, TextEncoding::Gbk);
    expectEvents(file.events, {{1, 0}, {1, R}, {1, 4}});
    EXPECT_EQ(file.report.skippedCount, 1u);
}

TEST(Reader, ReadsTheFirst99999LinesOnly)
{
    std::string text;
    for (int i = 0; i < MaxRecordingLines; ++i)
        text += "0.1,C\r\n";
    RecordingFile file = parseRecordingText(text);
    EXPECT_EQ(file.events.size(), static_cast<std::size_t>(MaxRecordingLines));
    EXPECT_FALSE(file.report.linesIgnored);

    text += "0.1,D\r\n";
    file = parseRecordingText(text);
    EXPECT_EQ(file.events.size(), static_cast<std::size_t>(MaxRecordingLines));
    EXPECT_EQ(test::keyOf(file.events[file.events.size() - 1]), 0);
    EXPECT_TRUE(file.report.linesIgnored);
}

// GBK is decoded a piece at a time: a score of several megabytes reads the
// same as its UTF-8 text, line limit included.
TEST(Reader, LargeGbkScoresReadLikeTheirUtf8Text)
{
    std::string text = "琴键倍数:1\r\n";
    for (int i = 0; text.size() < 3'000'000; ++i) {
        text += "0.25,c|0.5,抬起|0.125,#f1｜";
        text += std::string(static_cast<std::size_t>(i % 97), ' ') + "0.5,抬起\r\n";
    }
    const RecordingFile utf8 = parseRecordingText(text);
    const RecordingFile gbk = parseRecording(encode(text, Encoding::Gbk), systemTextCodec());
    EXPECT_EQ(gbk.report.encoding, TextEncoding::Gbk);
    EXPECT_EQ(gbk.report.linesRead, utf8.report.linesRead);
    EXPECT_EQ(gbk.report.skippedCount, 0u);
    EXPECT_GT(utf8.events.size(), 100'000u);
    EXPECT_TRUE(gbk.events == utf8.events);

    std::string lines;
    for (int i = 0; i <= MaxRecordingLines; ++i)
        lines += "0.1,C|0.1,抬起|\r\n";
    const RecordingFile limited = parseRecording(encode(lines, Encoding::Gbk), systemTextCodec());
    EXPECT_EQ(limited.events.size(), 2u * MaxRecordingLines);
    EXPECT_TRUE(limited.report.linesIgnored);
}

TEST(Reader, LongRecordingsAreReadWhole)
{
    std::string text = "琴键倍数:1\r\n";
    for (int i = 0; i < 10000; ++i)
        text += "0.01,c|0.01,抬起|0.01,#f1|0.01,抬起|\r\n";
    const RecordingFile file = parseRecordingText(text);
    ASSERT_EQ(file.events.size(), 40000u);
    EXPECT_EQ(test::keyOf(file.events[39998]), 30);
}

TEST(Reader, UnreadableFilesReportWhy)
{
    std::string error;
    EXPECT_FALSE(readRecordingFile("/nonexistent/folder/x.dzq", systemTextCodec(), &error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(readRecordingFile(std::filesystem::temp_directory_path(), systemTextCodec(), &error));
    EXPECT_FALSE(error.empty());
}

TEST(Reader, NumbersAndJianpuNames)
{
    EXPECT_DOUBLE_EQ(leadingNumber("-1.25e1x"), -12.5);
    EXPECT_DOUBLE_EQ(leadingNumber("+3"), 3);
    EXPECT_DOUBLE_EQ(leadingNumber("."), 0);
    EXPECT_DOUBLE_EQ(leadingNumber("0x10"), 0);
    EXPECT_EQ(jianpuToKeyName("#4"), "#f");
    EXPECT_EQ(jianpuToKeyName("4#+"), "f1#");
    EXPECT_EQ(jianpuToKeyName("+-1"), "C");
    EXPECT_EQ(jianpuToKeyName("6++"), "a2");
}

}  // namespace
}  // namespace kelodi
