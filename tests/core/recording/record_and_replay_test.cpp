// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>

#include "core/keyboard/keyboard_rig.h"
#include "core/recording/dzq_format.h"
#include "core/recording/event_notation.h"
#include "core/recording/key_path_presser.h"
#include "core/recording/recording_controller.h"
#include "core/recording/recording_fakes.h"
#include "platform/files/atomic_file.h"
#include "platform/text/system_text_codec.h"

namespace kelodi {
namespace {

namespace fs = std::filesystem;

// The recorder and the player on the real key path, on a clock the test moves.
class RecordAndReplay : public ::testing::Test {
protected:
    RecordAndReplay() { rig.keys.setRecorder(&controller); }

    test::KeyboardRig rig;
    ManualClock clock;
    KeyPathPresser presser{rig.keys};
    test::ScriptedUi ui;
    test::ManualScheduler scheduler{clock};
    RecordingController controller{presser, ui, scheduler, clock, systemTextCodec(), atomicFileSaver()};
};

// The release of every key is heard once and then ends: a release by hand
// after it is recorded as any other.
TEST_F(RecordAndReplay, AReleaseOfEveryKeyLeavesLaterReleasesRecorded)
{
    controller.click(RecorderButton::StartRecording);
    rig.press(3);
    Player::releaseAllKeys(presser);
    rig.press(5);
    rig.release(5);
    controller.click(RecorderButton::EndRecording);
    EXPECT_EQ(test::keysOf(controller.events()), (std::vector<int>{3, test::R, 5, test::R}));
}

// The recorder and the player on the real key path: a performance recorded
// from the keys, saved, read back and replayed sends the same notes in the
// same order, with the recorded spacing.
TEST_F(RecordAndReplay, AReplayedFileSoundsLikeThePerformance)
{

    controller.click(RecorderButton::StartRecording);
    rig.press(0);
    clock.advance(0.3);
    rig.release(0);
    clock.advance(0.2);
    rig.press(16);
    clock.advance(0.4);
    rig.release(16);
    controller.click(RecorderButton::EndRecording);
    const std::vector<ShortMessage> performance = rig.messages();
    ASSERT_FALSE(performance.empty());

    const fs::path path = fs::temp_directory_path() / "kelodi-record-and-replay.dzq";
    ui.nextSavePath = path;
    controller.click(RecorderButton::Save);
    ASSERT_TRUE(ui.messages.empty());

    rig.messages().clear();
    controller.setEvents({});
    ui.nextOpenPath = path;
    controller.click(RecorderButton::PlayFile);
    std::vector<double> fired;
    while (scheduler.pending()) {
        const std::size_t before = rig.messages().size();
        scheduler.runNext();
        if (rig.messages().size() != before)
            fired.push_back(clock.now());
    }
    fs::remove(path);

    EXPECT_EQ(rig.messages(), performance);
    ASSERT_EQ(fired.size(), 4u);
    EXPECT_NEAR(fired[1] - fired[0], 0.3, 1e-5);
    EXPECT_NEAR(fired[2] - fired[1], 0.2, 1e-5);
    EXPECT_NEAR(fired[3] - fired[2], 0.4, 1e-5);
    // Nothing of the replay was recorded.
    EXPECT_EQ(controller.events().size(), 4u);
}

// Every recording starts afresh: the second one replaces the first, and its
// first event comes 0.1 s into the replay however long the pause between the
// two recordings was.
TEST_F(RecordAndReplay, ASecondRecordingReplacesTheFirst)
{

    const auto record = [&](int key) {
        controller.click(RecorderButton::StartRecording);
        rig.press(key);
        clock.advance(0.25);
        rig.release(key);
        controller.click(RecorderButton::EndRecording);
    };
    record(12);
    clock.advance(3.0);
    record(14);
    EXPECT_EQ(test::keysOf(controller.events()), (std::vector<int>{14, ReleaseMarker}));
    EXPECT_EQ(test::delaysOf(controller.events()), (std::vector<float>{0.1f, 0.25f}));
    // The buttons show the idle row again: record, replay, save, play file.
    using B = RecorderButton;
    EXPECT_EQ(ui.enabledStates, (std::map<B, bool>{{B::StartRecording, true}, {B::EndRecording, false},
                                                   {B::Replay, true}, {B::Save, true}, {B::PlayFile, true},
                                                   {B::Stop, false}}));

    // Choosing a file ends a recording even when the file does not play:
    // the idle buttons offer no way to end it, so nothing may be recorded.
    controller.click(RecorderButton::StartRecording);
    controller.playListedRecording(std::filesystem::temp_directory_path() / "kelodi-no-such-recording.dzq");
    EXPECT_FALSE(controller.isRecording());
    rig.press(5);
    EXPECT_EQ(test::keysOf(controller.events()), (std::vector<int>{14, ReleaseMarker}));
}

}  // namespace
}  // namespace kelodi
