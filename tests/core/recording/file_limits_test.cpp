// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/recording/dzq_format.h"
#include "core/recording/event_notation.h"
#include "core/recording/recording_controller.h"
#include "core/recording/recording_fakes.h"
#include "platform/files/atomic_file.h"
#include "platform/text/system_text_codec.h"

namespace kelodi {
namespace {

namespace fs = std::filesystem;

// Scores are refused above 64 MiB.
constexpr std::uintmax_t Limit = std::uintmax_t{64} * 1024 * 1024;

class FileLimitsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder = fs::temp_directory_path() /
                   ("kelodi-limits-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }

    // A score whose first line plays key 0, made `size` bytes long. The rest
    // is a hole in the file, so even 64 MiB cost no disk space or time.
    fs::path score(const char* name, std::uintmax_t size)
    {
        const fs::path path = m_folder / name;
        std::ofstream(path, std::ios::binary) << "0.1,C|0.1,D\r\n";
        fs::resize_file(path, size);
        return path;
    }

    fs::path m_folder;
};

// A file above the limit is refused unread, whatever it holds: the events in
// memory stay and nothing plays.
TEST_F(FileLimitsTest, AScoreAboveTheLimitIsRefusedAndTheEventsStay)
{
    const fs::path big = score("big.dzq", Limit + 1);
    std::string error;
    EXPECT_FALSE(readRecordingFile(big, systemTextCodec(), &error));
    EXPECT_NE(error.find("too large"), std::string::npos) << error;

    ManualClock clock;
    test::JournalKeys keys(clock);
    test::ScriptedUi ui;
    test::ManualScheduler scheduler(clock);
    RecordingController controller(keys, ui, scheduler, clock, systemTextCodec(), atomicFileSaver());
    RecordingEvents before;
    before.append(test::eventOf(0.1f, 40));
    controller.setEvents(before);
    controller.playListedRecording(big);
    EXPECT_EQ(controller.events(), before);
    EXPECT_FALSE(controller.isPlaying());
    EXPECT_FALSE(scheduler.pending());
    EXPECT_TRUE(keys.entries.empty());
}

// The limit is far above any real score: a few megabytes of events read whole.
TEST_F(FileLimitsTest, LargeScoresBelowTheLimitRead)
{
    const fs::path path = m_folder / "long.dzq";
    {
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < 4 * 65536; ++i)
            out << "0.001,C|" << (i % 64 == 63 ? "\r\n" : "");
    }
    ASSERT_GT(fs::file_size(path), 2u * 1024 * 1024);
    const std::optional<RecordingFile> file = readRecordingFile(path, systemTextCodec());
    ASSERT_TRUE(file);
    EXPECT_EQ(file->events.size(), 4u * 65536u);
}

TEST_F(FileLimitsTest, ReadsUpToTheGivenSizeExactly)
{
    const fs::path path = score("ten.dzq", 10);
    EXPECT_TRUE(readFileBytes(path, 10));
    EXPECT_FALSE(readFileBytes(path, 9));
}

// A save that cannot name a file must not report success.
TEST_F(FileLimitsTest, AWriteWithoutAFileNameFails)
{
    std::string error;
    EXPECT_FALSE(writeFileAtomically(m_folder / "", "0.1,C", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(fs::is_empty(m_folder));
}

}  // namespace
}  // namespace kelodi
