// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>

#include "core/fakes/scratch_folder.h"
#include "core/recording/dzq_format.h"
#include "core/recording/event_notation.h"
#include "platform/files/atomic_file.h"
#include "platform/text/system_text_codec.h"

namespace kelodi {
namespace {

namespace fs = std::filesystem;

using test::R;

// GBK bytes of the two Chinese words the writer uses.
const std::string HeaderGbk = "\xC7\xD9\xBC\xFC\xB1\xB6\xCA\xFD:1\r\n";  // 琴键倍数:1
const std::string ReleaseGbk = "\xCC\xA7\xC6\xF0";                        // 抬起

using test::eventsOf;

TEST(Writer, FiveEventsByteForByte)
{
    const RecordingEvents events = eventsOf({{0.1f, 0}, {0.35f, R}, {0.2f, 13}, {0.4f, R}, {0.25f, 24}});
    const std::string expected = HeaderGbk + "0.100 , C    | 0.350 , " + ReleaseGbk + " | 0.200 , #c   | 0.400 , " +
                                 ReleaseGbk + " | \r\n" + "0.250 , c1   | \r\n";
    EXPECT_EQ(encodeRecording(events, systemTextCodec()), expected);
}

TEST(SongInfoLine, WrittenSecondOnlyWhenThereIsSomethingToTellAndReadBackInAnyOrder)
{
    const RecordingEvents events = eventsOf({{0.1f, 0}, {0.35f, R}});
    SongInfo info;
    EXPECT_EQ(formatRecordingText(events, info), formatRecordingText(events)) << "a take's file stays as it was";
    info.time = TimeSignature{3, 4};
    info.beatSeconds = 0.5;
    info.originalKey = "#F";
    const std::string text = formatRecordingText(events, info);
    EXPECT_EQ(text, "琴键倍数:1\r\n曲谱信息:拍号=3/4;每拍=0.500;原调=#F\r\n0.100 , C    | 0.350 , 抬起 | \r\n");
    const RecordingFile read = parseRecordingText(text);
    EXPECT_EQ(read.info, info);
    EXPECT_EQ(read.events, events);
    EXPECT_EQ(read.report.skippedCount, 0u);
    SongInfo beatOnly;
    beatOnly.beatSeconds = 0.4166;
    EXPECT_EQ(songInfoLine(beatOnly), "曲谱信息:每拍=0.417");

    // Keys in any order, full-width colon and spaces as the reader takes them
    // anywhere; unknown keys and malformed values are reported and left out.
    const RecordingFile odd = parseRecordingText("琴键倍数:1\n曲谱信息 ： 原调=Am; 速度=90;拍号=3/5;每拍=-1;拍号=6/8\n"
                                                 "0.1,C|\n曲谱信息:原调=D\n");
    SongInfo expected;
    expected.time = TimeSignature{6, 8};
    expected.originalKey = "Am";
    EXPECT_EQ(odd.info, expected);
    ASSERT_EQ(odd.report.skippedCount, 4u);
    EXPECT_EQ(odd.report.skipped[0].text, "速度=90");
    EXPECT_EQ(odd.report.skipped[1].text, "拍号=3/5");
    EXPECT_EQ(odd.report.skipped[2].text, "每拍=-1");
    // After the first event the line is no song information.
    EXPECT_EQ(odd.report.skipped[3].line, 4);
    EXPECT_EQ(odd.events, eventsOf({{0.1f, 0}}));
}

TEST(Writer, FourEventsEndWithAnEmptyLine)
{
    const RecordingEvents events = eventsOf({{0.1f, 5}, {12.3456f, 42}, {0, 43}, {9.9999f, R}});
    EXPECT_EQ(formatRecordingText(events),
              "琴键倍数:1\r\n0.100 , F    | 12.346 , #f2  | 0.000 , g2   | 10.000 , 抬起 | \r\n\r\n");
    EXPECT_EQ(formatRecordingText({}), "琴键倍数:1\r\n\r\n");
}

// Black keys are named after the white key below them; every name reads back
// as its key.
TEST(Writer, NamesEveryKeySoThatItReadsBack)
{
    for (int key = 0; key < KeyCount; ++key) {
        const std::string name = keyName(key);
        EXPECT_EQ(keyFromName(name), key) << name;
        if (name[0] == '#') {
            EXPECT_EQ("#" + keyName(key - 1), name);
        }
    }
    EXPECT_EQ(eventFromName("抬起"), KeyEvent::releaseAll(0));
    EXPECT_EQ(keyName(44), "");
    EXPECT_EQ(keyName(-1), "");
}

// Whatever the recorder can produce reads back as the same keys with the
// delays within the three written decimals.
TEST(Writer, RoundTripKeepsKeysAndDelays)
{
    std::mt19937 random(20240601);
    std::uniform_int_distribution<int> keyDist(0, KeyCount);  // KeyCount stands for a release
    std::uniform_real_distribution<float> delayDist(0.0f, 10.0f);
    for (const std::size_t count : {std::size_t{1}, std::size_t{3}, std::size_t{4}, std::size_t{997},
                                    std::size_t{40000}}) {
        RecordingEvents events;
        for (std::size_t i = 0; i < count; ++i) {
            const int key = keyDist(random);
            events.append(test::eventOf(delayDist(random), key == KeyCount ? R : key));
        }
        const RecordingFile read = parseRecording(encodeRecording(events, systemTextCodec()).value(),
                                                  systemTextCodec());
        ASSERT_EQ(test::keysOf(read.events), test::keysOf(events)) << count << " events";
        // Half a millisecond from the three decimals, plus the rounding of the
        // value read back to single precision.
        for (std::size_t i = 0; i < count; ++i) {
            const float delay = events[i].delay;
            ASSERT_NEAR(read.events[i].delay, delay, 0.0005 + delay * std::numeric_limits<float>::epsilon())
                << "event " << i;
        }
        EXPECT_EQ(read.report.skippedCount, 0u);
        EXPECT_TRUE(read.report.hasHeader);
    }
}

class AtomicWrite : public test::ScratchFolderTest {
protected:
    AtomicWrite() : ScratchFolderTest("kelodi-writer-") {}
};

TEST_F(AtomicWrite, ReplacesTheFileAndKeepsItsPermissions)
{
    const fs::path path = m_folder / u8"录音.dzq";
    std::ofstream(path) << "old";
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // What the system keeps of them: Windows knows only "read-only" or not.
    const fs::perms before = fs::status(path).permissions() & fs::perms::all;
    std::string error;
    ASSERT_TRUE(writeRecordingFile(path, eventsOf({{0.1f, 0}}), systemTextCodec(), atomicFileSaver(), &error))
        << error;
    EXPECT_EQ(contents(path), HeaderGbk + "0.100 , C    | \r\n");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, before);
    EXPECT_EQ(entryCount(), 1u);
}

TEST_F(AtomicWrite, FailureLeavesNoTraceAndTheTargetAsItWas)
{
    // A folder where the file should go cannot be replaced by a file.
    const fs::path path = m_folder / "taken.dzq";
    fs::create_directory(path);
    std::ofstream(path / "inside") << "kept";
    std::string error;
    EXPECT_FALSE(writeFileAtomically(path, "new", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(contents(path / "inside"), "kept");
    EXPECT_EQ(entryCount(), 1u);

    EXPECT_FALSE(writeFileAtomically(m_folder / "missing" / "x.dzq", "new", &error));
}

TEST_F(AtomicWrite, WritesThroughASymbolicLink)
{
    const fs::path target = m_folder / "target.dzq";
    const fs::path link = m_folder / "link.dzq";
    std::ofstream(target) << "old";
    std::error_code ec;
    fs::create_symlink("target.dzq", link, ec);
    if (ec)  // Windows lets only administrators and developer mode make them
        GTEST_SKIP() << "cannot make a symbolic link here: " << ec.message();
    ASSERT_TRUE(writeFileAtomically(link, "new"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(contents(target), "new");
}

}  // namespace
}  // namespace kelodi
