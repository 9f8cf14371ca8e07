// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <QTimer>

#include "core/recording/clock.h"
#include "core/recording/event_notation.h"
#include "core/recording/recording_controller.h"
#include "core/recording/recording_fakes.h"
#include "gui/recording/player_driver.h"
#include "platform/files/atomic_file.h"
#include "platform/text/system_text_codec.h"

namespace kelodi {
namespace {

TEST(PlayerDriver, CallsBackFromTheEventLoopOnlyAfterTheDueTime)
{
    SteadyClock clock;
    PlayerDriver driver(clock);
    std::vector<std::string> order;
    double calledAt = 0;

    const double due = clock.now() + 0.05;
    driver.callAt(due, [&] {
        order.push_back("due");
        calledAt = clock.now();
    });
    QTimer::singleShot(0, [&] { order.push_back("other event"); });
    EXPECT_TRUE(order.empty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !driver.isPending(); }, 30000));
    EXPECT_EQ(order, (std::vector<std::string>{"other event", "due"}));
    EXPECT_GT(calledAt, due);
    EXPECT_LT(calledAt - due, 0.5);  // a bound for a loaded machine

    // A time already past is still called from the loop, not from callAt.
    bool called = false;
    driver.callAt(clock.now() - 1.0, [&] { called = true; });
    EXPECT_FALSE(called);
    ASSERT_TRUE(QTest::qWaitFor([&] { return called; }, 30000));

    called = false;
    driver.callAt(clock.now() + 0.01, [&] { called = true; });
    driver.cancel();
    QTest::qWait(50);
    EXPECT_FALSE(called);
}

class NoUi : public RecordingUi {
public:
    void setButtonEnabled(RecorderButton, bool) override {}
    std::optional<std::filesystem::path> chooseSavePath() override { return std::nullopt; }
    std::optional<std::filesystem::path> chooseOpenPath() override { return std::nullopt; }
    bool askYesNo(std::string_view) override { return false; }
    void showMessage(std::string_view) override {}
    bool repeatChecked() const override { return false; }
};

TEST(PlayerDriver, ReplaysEventsInOrderWithTheirSpacing)
{
    SteadyClock clock;
    PlayerDriver driver(clock);
    test::JournalKeys keys(clock);
    NoUi ui;
    RecordingController controller(keys, ui, driver, clock, systemTextCodec(), atomicFileSaver());

    RecordingEvents events;
    const std::vector<int> played = {0, 4, 7, 12, 16, 19, 24, 28, 31, 36};
    for (std::size_t i = 0; i < played.size(); ++i) {
        events.append(test::eventOf(0.02f, played[i]));
        events.append(test::eventOf(i % 2 ? 0.0f : 0.01f, test::R));
    }
    controller.setEvents(events);
    const double start = clock.now();
    controller.click(RecorderButton::Replay);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller.isPlaying(); }, 30000));

    std::vector<std::string> expected;
    for (const int key : played) {
        expected.push_back("press " + std::to_string(key));
        expected.push_back("release-all");
    }
    expected.push_back("release-all");
    EXPECT_EQ(keys.whats(), expected);

    // Each event waits at least its delay after the previous one fired, and
    // not much more: the bound above leaves room for a loaded machine, whose
    // scheduler may wake the player tens of milliseconds late. The journal
    // stamps an entry after the key path ran (after all 44 releases for a
    // release event), so spacings may look a few microseconds short.
    double previous = start;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const double spacing = keys.entries[i].time - previous;
        EXPECT_GE(spacing, events[i].delay - 0.001) << "event " << i;
        EXPECT_LT(spacing, events[i].delay + 0.5) << "event " << i;
        previous = keys.entries[i].time;
    }
    EXPECT_FALSE(driver.isPending());
}

}  // namespace
}  // namespace kelodi
