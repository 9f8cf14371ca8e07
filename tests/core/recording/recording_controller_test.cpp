// SPDX-License-Identifier: GPL-3.0-or-later
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/recording/dzq_format.h"
#include "core/recording/event_notation.h"
#include "core/recording/recording_controller.h"
#include "core/recording/recordings_list.h"
#include "core/recording/recording_fakes.h"
#include "platform/files/atomic_file.h"
#include "platform/text/system_text_codec.h"

namespace kelodi {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

using test::R;

class RecordingControllerTest : public ::testing::Test {
protected:
    RecordingControllerTest() { controller.publishButtonStates(); }

    void setEvents(std::initializer_list<std::pair<float, int>> list)
    {
        RecordingEvents events;
        for (const auto& [delay, key] : list)
            events.append(test::eventOf(delay, key));
        controller.setEvents(events);
    }

    ManualClock clock{5000.0};
    test::JournalKeys keys{clock};
    test::ScriptedUi ui;
    test::ManualScheduler scheduler{clock};
    RecordingController controller{keys, ui, scheduler, clock, systemTextCodec(), atomicFileSaver()};
};

TEST_F(RecordingControllerTest, StartsWithRecordAndPlayFileEnabled)
{
    EXPECT_EQ(test::enabledRow(controller), "record play-file");
    EXPECT_EQ(ui.enabledStates.size(), 6u);
    EXPECT_TRUE(ui.enabledStates[RecorderButton::StartRecording]);
    EXPECT_TRUE(ui.enabledStates[RecorderButton::PlayFile]);
    EXPECT_FALSE(ui.enabledStates[RecorderButton::Stop]);
}

TEST_F(RecordingControllerTest, RecordsPressesAndReleasesWithTheirSpacing)
{
    controller.click(RecorderButton::StartRecording);
    EXPECT_EQ(test::enabledRow(controller), "end");
    EXPECT_TRUE(keys.releasesRecorded());
    EXPECT_TRUE(controller.isRecording());

    controller.recordPress(0);
    clock.advance(0.25);
    controller.recordRelease();
    clock.advance(0.5);
    controller.recordPress(4);
    clock.advance(0.3);
    controller.recordRelease();
    controller.recordPress(44);  // no key: ignored
    controller.recordPress(-1);

    controller.click(RecorderButton::EndRecording);
    EXPECT_EQ(test::enabledRow(controller), "record replay save play-file");
    EXPECT_FALSE(keys.releasesRecorded());
    EXPECT_FALSE(controller.isRecording());

    const RecordingEvents& e = controller.events();
    ASSERT_EQ(e.size(), 4u);
    EXPECT_FLOAT_EQ(e[0].delay, 0.1f);
    EXPECT_FLOAT_EQ(e[1].delay, 0.25f);
    EXPECT_FLOAT_EQ(e[2].delay, 0.5f);
    EXPECT_FLOAT_EQ(e[3].delay, 0.3f);
    EXPECT_EQ(test::keysOf(e), (std::vector<int>{0, R, 4, R}));

    controller.recordPress(5);  // not recording
    EXPECT_EQ(controller.events().size(), 4u);
}

TEST_F(RecordingControllerTest, LongPausesAreFoldedToTenSeconds)
{
    controller.click(RecorderButton::StartRecording);
    controller.recordPress(0);
    clock.advance(12.5);
    controller.recordPress(2);
    clock.advance(20.0);
    controller.recordPress(4);
    clock.advance(9.75);
    controller.recordPress(5);
    const RecordingEvents& e = controller.events();
    EXPECT_FLOAT_EQ(e[1].delay, 2.5f);
    EXPECT_FLOAT_EQ(e[2].delay, 0.0f);
    EXPECT_FLOAT_EQ(e[3].delay, 9.75f);
}

TEST_F(RecordingControllerTest, ARecordingWithoutKeysKeepsThePreviousEvents)
{
    setEvents({{0.1f, 7}, {0.2f, R}});
    controller.click(RecorderButton::StartRecording);
    controller.click(RecorderButton::EndRecording);
    EXPECT_EQ(controller.events().size(), 2u);

    // The first event of the next recording replaces them all.
    controller.click(RecorderButton::StartRecording);
    controller.recordPress(9);
    EXPECT_EQ(test::keysOf(controller.events()), (std::vector<int>{9}));
}

TEST_F(RecordingControllerTest, ReplayFiresEachDelayAfterThePreviousEvent)
{
    setEvents({{0.1f, 0}, {0.5f, R}});
    const double start = clock.now();
    controller.click(RecorderButton::Replay);
    EXPECT_EQ(test::enabledRow(controller), "stop");
    EXPECT_FALSE(keys.releasesRecorded());
    EXPECT_TRUE(controller.isPlaying());
    EXPECT_DOUBLE_EQ(scheduler.due(), start + 0.1f);
    EXPECT_TRUE(keys.entries.empty());

    // 20 ms late: the release is due 0.5 s after the press actually fired.
    ASSERT_TRUE(scheduler.runNext(0.02));
    ASSERT_EQ(keys.whats(), (std::vector<std::string>{"press 0"}));
    const double pressed = keys.entries[0].time;
    EXPECT_DOUBLE_EQ(scheduler.due(), pressed + 0.5);

    ASSERT_TRUE(scheduler.runNext());
    // The release event, then the stop button's own release of every key.
    EXPECT_EQ(keys.whats(), (std::vector<std::string>{"press 0", "release-all", "release-all"}));
    EXPECT_FALSE(scheduler.pending());
    EXPECT_FALSE(controller.isPlaying());
    EXPECT_EQ(test::enabledRow(controller), "record replay save play-file");
    for (const bool reported : keys.reported)
        EXPECT_FALSE(reported);  // no release of the replay is ever recorded
}

TEST_F(RecordingControllerTest, AnEventFiresOnlyWhenStrictlyMoreThanItsDelayHasPassed)
{
    setEvents({{0.25f, 3}, {0.0f, 5}, {0.0f, 7}});
    controller.click(RecorderButton::Replay);
    const double due = scheduler.due();
    ASSERT_TRUE(scheduler.runNext(0.0));  // exactly at the due time: too early
    EXPECT_TRUE(keys.entries.empty());
    EXPECT_DOUBLE_EQ(scheduler.due(), due);

    ASSERT_TRUE(scheduler.runNext(1e-6));
    EXPECT_EQ(keys.whats(), (std::vector<std::string>{"press 3"}));
    // A zero delay waits for the clock to move on, one event per instant.
    ASSERT_TRUE(scheduler.runNext(0.0));
    EXPECT_EQ(keys.entries.size(), 1u);
    scheduler.runAll();
    EXPECT_EQ(keys.whats(), (std::vector<std::string>{"press 3", "press 5", "press 7", "release-all"}));
    EXPECT_LT(keys.entries[0].time, keys.entries[1].time);
    EXPECT_LT(keys.entries[1].time, keys.entries[2].time);
}

TEST_F(RecordingControllerTest, StopDuringAReplayReleasesEverythingAndNeverRepeats)
{
    ui.repeat = true;
    setEvents({{0.1f, 12}, {1.0f, R}, {0.1f, 14}});
    controller.click(RecorderButton::Replay);
    scheduler.runNext();
    controller.click(RecorderButton::Stop);
    EXPECT_EQ(keys.whats(), (std::vector<std::string>{"press 12", "release-all"}));
    EXPECT_FALSE(scheduler.pending());
    EXPECT_FALSE(controller.isPlaying());
    EXPECT_TRUE(controller.stopRequested());
    EXPECT_EQ(test::enabledRow(controller), "record replay save play-file");
    EXPECT_EQ(keys.releaseCalls.size(), 44u);
    for (int k = 0; k < 44; ++k)
        EXPECT_EQ(keys.releaseCalls[static_cast<std::size_t>(k)], k);
}

TEST_F(RecordingControllerTest, ShutdownStopsAReplay)
{
    setEvents({{0.1f, 12}, {1.0f, 14}});
    controller.click(RecorderButton::Replay);
    scheduler.runNext();
    controller.shutdown();
    EXPECT_FALSE(scheduler.pending());
    EXPECT_EQ(keys.whats(), (std::vector<std::string>{"press 12", "release-all"}));
}

TEST_F(RecordingControllerTest, AStopFromInsideAKeyPressEndsTheReplay)
{
    setEvents({{0.1f, 12}, {0.1f, 14}});
    keys.onPress = [&](int) { controller.click(RecorderButton::Stop); };
    controller.click(RecorderButton::Replay);
    scheduler.runAll();
    EXPECT_EQ(keys.whats(), (std::vector<std::string>{"press 12", "release-all"}));
    EXPECT_FALSE(scheduler.pending());
}

TEST_F(RecordingControllerTest, RepeatPlaysAgainUntilStopped)
{
    ui.repeat = true;
    setEvents({{0.1f, 12}, {0.2f, R}});
    controller.click(RecorderButton::Replay);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(scheduler.runNext());
    EXPECT_EQ(keys.whats(), (std::vector<std::string>{"press 12", "release-all", "release-all", "press 12",
                                                      "release-all", "release-all"}));
    // The next pass started at the end of the previous one, with a fresh clock.
    EXPECT_TRUE(controller.isPlaying());
    EXPECT_EQ(test::enabledRow(controller), "stop");
    EXPECT_NEAR(scheduler.due(), keys.entries.back().time + 0.1, 1e-6);

    controller.click(RecorderButton::Stop);
    EXPECT_FALSE(scheduler.pending());
    EXPECT_FALSE(controller.isPlaying());
}

TEST_F(RecordingControllerTest, ReplayOfNoEventsEndsAtOnceEvenWithRepeat)
{
    ui.repeat = true;
    controller.click(RecorderButton::Replay);
    EXPECT_EQ(keys.whats(), (std::vector<std::string>{"release-all"}));
    EXPECT_FALSE(scheduler.pending());
    EXPECT_FALSE(controller.isPlaying());
    EXPECT_EQ(test::enabledRow(controller), "record replay save play-file");
}

TEST_F(RecordingControllerTest, AReplayEndsARecordingAndIsNotRecorded)
{
    setEvents({{0.1f, 12}});
    controller.click(RecorderButton::StartRecording);
    controller.click(RecorderButton::Replay);
    EXPECT_FALSE(controller.isRecording());
    controller.recordPress(3);  // a key played by hand during the replay
    scheduler.runAll();
    EXPECT_EQ(test::keysOf(controller.events()), (std::vector<int>{12}));
}

TEST_F(RecordingControllerTest, RecordingsBeyond32767EventsPlayWhole)
{
    RecordingEvents events;
    for (int i = 0; i < 40000; ++i)
        events.append(test::eventOf(0.001f, i % 44));
    controller.setEvents(events);
    controller.click(RecorderButton::Replay);
    scheduler.runAll(50000);
    EXPECT_EQ(keys.entries.size(), 40001u);  // every press and the final stop
    EXPECT_EQ(keys.entries[39999].what, "press " + std::to_string(39999 % 44));
}

TEST_F(RecordingControllerTest, ChangingTheEventsDuringAReplayDoesNotDisturbIt)
{
    setEvents({{0.1f, 12}, {0.1f, 14}});
    controller.click(RecorderButton::Replay);
    scheduler.runNext();
    setEvents({});
    scheduler.runAll();
    EXPECT_EQ(keys.whats(), (std::vector<std::string>{"press 12", "press 14", "release-all"}));
}

// The replay holds the events in memory, not a copy of them; anything that
// gives new events (a recording, a file) puts a new list in place, so the
// list being played never changes under the replay.
TEST_F(RecordingControllerTest, ARecordingStartedDuringAReplayLeavesTheReplayedEventsAlone)
{
    setEvents({{0.1f, 12}, {0.1f, 14}, {0.1f, 16}});
    keys.onPress = [this](int key) { controller.recordPress(key); };
    controller.click(RecorderButton::Replay);
    scheduler.runNext();
    controller.click(RecorderButton::StartRecording);  // by code: buttons do not allow it
    scheduler.runAll();
    EXPECT_EQ(keys.whats(), (std::vector<std::string>{"press 12", "press 14", "press 16", "release-all"}));
    EXPECT_EQ(test::keysOf(controller.events()), (std::vector<int>{14, 16}));
}

TEST_F(RecordingControllerTest, EventsPutInPlaceWhileRecordingAreReplacedNotExtended)
{
    controller.click(RecorderButton::StartRecording);
    controller.recordPress(3);
    setEvents({{0.25f, 7}});  // what a file loaded meanwhile does
    clock.advance(0.5);
    controller.recordPress(5);
    EXPECT_EQ(test::keysOf(controller.events()), (std::vector<int>{5}));
    EXPECT_EQ(test::delaysOf(controller.events()), (std::vector<float>{0.1f}));
}

TEST(Player, SharesTheEventsItIsHandedInsteadOfCopyingThem)
{
    ManualClock clock;
    test::JournalKeys keys{clock};
    Player player(keys);
    auto events = std::make_shared<RecordingEvents>();
    events->append(KeyEvent::press(0.1f, 3));
    player.start(events, clock.now());
    EXPECT_EQ(events.use_count(), 2);
    clock.advance(0.2);
    EXPECT_TRUE(player.fireDue(clock.now()));
    EXPECT_EQ(keys.whats(), (std::vector<std::string>{"press 3"}));
}

class RecordingFilesTest : public RecordingControllerTest {
protected:
    void SetUp() override
    {
        m_folder = fs::temp_directory_path() /
                   ("kelodi-controller-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }

    fs::path write(const std::string& name, const std::string& bytes)
    {
        const fs::path path = m_folder / fs::path(std::u8string(name.begin(), name.end()));
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    static std::string contents(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    fs::path m_folder;
};

TEST_F(RecordingFilesTest, PlaysAChosenFile)
{
    setEvents({{0.1f, 40}});
    ui.nextOpenPath = write("tune.dzq", "琴键倍数:2\r\n0.5,C|0.5,抬起\r\n");
    controller.click(RecorderButton::PlayFile);
    EXPECT_EQ(ui.openDialogs, 1);
    EXPECT_EQ(test::keysOf(controller.events()), (std::vector<int>{0, R}));
    EXPECT_EQ(test::enabledRow(controller), "stop");
    scheduler.runAll();
    EXPECT_EQ(keys.whats(), (std::vector<std::string>{"press 0", "release-all", "release-all"}));
    EXPECT_NEAR(keys.entries[1].time - keys.entries[0].time, 1.0, 1e-5);
}

TEST_F(RecordingFilesTest, CancelMissingAndUnplayableFilesKeepTheEvents)
{
    setEvents({{0.1f, 40}});
    ui.nextOpenPath.reset();
    controller.click(RecorderButton::PlayFile);
    EXPECT_TRUE(ui.messages.empty());

    ui.nextOpenPath = m_folder / "gone.dzq";
    controller.click(RecorderButton::PlayFile);
    EXPECT_THAT(ui.messages, ElementsAre("播放的文件不存在！"));

    ui.messages.clear();
    ui.nextOpenPath = write("empty.dzq", "简谱倍数:1\r\n音符比例:0.5\r\n音符最长:2\r\nnot a score\r\n");
    controller.click(RecorderButton::PlayFile);
    EXPECT_THAT(ui.messages, ElementsAre("文件中没有可播放的音符！"));

    EXPECT_EQ(test::keysOf(controller.events()), (std::vector<int>{40}));
    EXPECT_FALSE(scheduler.pending());
    EXPECT_TRUE(keys.entries.empty());
    EXPECT_EQ(test::enabledRow(controller), "record replay save play-file");
}

// Files that are there but cannot be played each say why, and change nothing:
// the events in memory stay, no replay starts.
TEST_F(RecordingFilesTest, TooLargeAndUnreadableFilesSayWhyAndKeepTheEvents)
{
    setEvents({{0.1f, 40}});
    const fs::path large = write("large.dzq", "0.1,C|");
    fs::resize_file(large, MaxRecordingFileBytes + 1);  // sparse: no disk used
    fs::create_directory(m_folder / "folder.dzq");
    const fs::path locked = write("locked.dzq", "0.1,C|");
    fs::permissions(locked, fs::perms::none);
    const bool lockedIsReadable = std::ifstream(locked).is_open();  // as root, it is

    EXPECT_EQ(controller.playListedRecording(large), PlayFileOutcome::TooLarge);
    EXPECT_EQ(controller.playListedRecording(m_folder / "folder.dzq"), PlayFileOutcome::Unreadable);
    if (!lockedIsReadable) {
        EXPECT_EQ(controller.playListedRecording(locked), PlayFileOutcome::Unreadable);
        ui.messages.pop_back();
    }
    ui.nextOpenPath = large;
    controller.click(RecorderButton::PlayFile);
    EXPECT_THAT(ui.messages,
                ElementsAre("文件太大，无法播放！", "文件无法读取！", "文件太大，无法播放！"));
    EXPECT_EQ(controller.playListedRecording(m_folder / "gone.dzq"), PlayFileOutcome::Missing);

    EXPECT_EQ(test::keysOf(controller.events()), (std::vector<int>{40}));
    EXPECT_FALSE(controller.isPlaying());
    EXPECT_TRUE(keys.entries.empty());
    fs::permissions(locked, fs::perms::owner_all);
}

TEST_F(RecordingFilesTest, AJianpuScoreStartsOneTempoUnitAfterTheClick)
{
    RecordingsList list(m_folder);
    write("b.dzq", "简谱倍数:2\r\n音符比例:0.5\r\n音符最长:2\r\n5,1|1+,1\r\n");
    list.fill();
    const double start = clock.now();
    controller.playListedRecording(list.choose(0));
    ASSERT_TRUE(scheduler.runNext());
    EXPECT_NEAR(keys.entries[0].time - start, 2.0, 1e-5);
    EXPECT_EQ(keys.entries[0].what, "press 19");
}

TEST_F(RecordingFilesTest, ChoosingFromTheListWhileRecordingOrPlaying)
{
    RecordingsList list(m_folder);
    write("a.dzq", "0.1,D");
    list.fill();

    controller.click(RecorderButton::StartRecording);
    controller.playListedRecording(list.choose(0));
    EXPECT_FALSE(controller.isRecording());
    EXPECT_TRUE(controller.isPlaying());
    EXPECT_EQ(ui.openDialogs, 0);

    // Again while that replay runs: it is stopped (keys released) and the
    // file starts from the beginning.
    keys.entries.clear();
    controller.playListedRecording(list.choose(0));
    EXPECT_EQ(keys.whats(), (std::vector<std::string>{"release-all"}));
    scheduler.runAll();
    EXPECT_EQ(keys.whats(), (std::vector<std::string>{"release-all", "press 2", "release-all"}));

    // The pending path is handed over once: the button asks again.
    ui.nextOpenPath.reset();
    controller.click(RecorderButton::PlayFile);
    EXPECT_EQ(ui.openDialogs, 1);
}

TEST_F(RecordingFilesTest, ThePlaceholderItemNamesNoFile)
{
    RecordingsList list(m_folder / "nothing-here");
    list.fill();
    controller.playListedRecording(list.choose(0));
    EXPECT_THAT(ui.messages, ElementsAre("播放的文件不存在！"));
}

TEST_F(RecordingFilesTest, SavingAsksBeforeReplacingAFile)
{
    setEvents({{0.1f, 0}, {0.35f, R}});
    const fs::path path = write("song.dzq", "old");

    ui.nextSavePath.reset();
    controller.click(RecorderButton::Save);
    EXPECT_TRUE(ui.questions.empty());

    ui.nextSavePath = path;
    ui.answerYes = false;
    controller.click(RecorderButton::Save);
    EXPECT_THAT(ui.questions, ElementsAre("文件已经存在，需要覆盖吗?"));
    EXPECT_EQ(contents(path), "old");

    ui.answerYes = true;
    controller.click(RecorderButton::Save);
    EXPECT_EQ(contents(path), encodeRecording(controller.events(), systemTextCodec()));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(test::enabledRow(controller), "record replay save play-file");

    // A new name is written without a question.
    ui.questions.clear();
    ui.nextSavePath = m_folder / "new";
    controller.click(RecorderButton::Save);
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_TRUE(fs::exists(m_folder / "new"));
}

TEST_F(RecordingFilesTest, AFailedSaveIsReported)
{
    setEvents({{0.1f, 0}});
    ui.nextSavePath = m_folder / "no-such-folder" / "x.dzq";
    controller.click(RecorderButton::Save);
    EXPECT_THAT(ui.messages, ElementsAre("文件保存失败！"));
}

}  // namespace
}  // namespace kelodi
