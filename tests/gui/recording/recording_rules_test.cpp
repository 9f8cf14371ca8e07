// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>

#include "core/recording/event_notation.h"
#include "core/recording/recording_controller.h"
#include "gui/app/main_window_fixture.h"
#include "gui/recording/recording_panel.h"

namespace kelodi {
namespace {

// A new recording replaces the one before it: recording D and then F and
// replaying plays F alone, as a fresh recording that starts 0.1 s in.
using RecordingRulesTest = test::MainWindowFixture;

TEST_F(RecordingRulesTest, ASecondRecordingReplacesTheFirst)
{
    RecordingPanel& recorder = window->recording();
    const auto record = [&](Qt::Key key) {
        QTest::mouseClick(recorder.button(RecorderButton::StartRecording), Qt::LeftButton);
        QTest::keyClick(handle(), key);
        QTest::mouseClick(recorder.button(RecorderButton::EndRecording), Qt::LeftButton);
    };
    record(Qt::Key_D);
    record(Qt::Key_F);

    const RecordingEvents& events = recorder.controller().events();
    EXPECT_EQ(test::keysOf(events), (std::vector<int>{14, ReleaseMarker}));
    ASSERT_FALSE(events.empty());
    EXPECT_FLOAT_EQ(events[0].delay, 0.1f);

    messages().clear();
    QTest::mouseClick(recorder.button(RecorderButton::Replay), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !recorder.controller().isPlaying(); }, 30000));
    std::vector<ShortMessage> noteOns;
    for (ShortMessage m : messages())
        if ((statusByte(m) & 0xF0) == 0x90)
            noteOns.push_back(m);
    EXPECT_EQ(noteOns, (std::vector<ShortMessage>{noteOnMessage(0, 50), noteOnMessage(0, 54), noteOnMessage(0, 57),
                                                  noteOnMessage(0, 61)}));
}

}  // namespace
}  // namespace kelodi
