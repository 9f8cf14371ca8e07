// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "core/news/news_schedule.h"

namespace kelodi {
namespace {

struct Fired {
    int tick;  // 1-based number of the tick that returned the action
    NewsAction action;
    bool operator==(const Fired&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Fired& f)
{
    return os << "{tick " << f.tick << ", action " << static_cast<int>(f.action) << "}";
}

// Runs `count` ticks; `tickAt(n)` describes tick n (1-based). Returns every
// tick that asked for something.
std::vector<Fired> run(NewsSchedule& schedule, int count, const std::function<NewsTick(int)>& tickAt)
{
    std::vector<Fired> fired;
    for (int n = 1; n <= count; ++n) {
        const NewsAction action = schedule.tick(tickAt(n));
        if (action != NewsAction::None)
            fired.push_back({n, action});
    }
    return fired;
}

constexpr const char* MarkedPage = "<p>新闻 RuanJianGuangGao</p>";

NewsTick online(std::string_view body = MarkedPage)
{
    return {false, true, false, body};
}

TEST(NewsSchedule, DelayIsDrawnOnceFrom180To299)
{
    struct Draw {
        double r;
        int delay;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const Draw d : {Draw{0.0, 180}, Draw{0.5, 240}, Draw{0.99999, 299}, Draw{1.0, 299},
                         Draw{7.0, 299}, Draw{-0.5, 180}, Draw{nan, 180}}) {
        int draws = 0;
        NewsSchedule schedule([&] {
            ++draws;
            return d.r;
        });
        run(schedule, 400, [](int) { return online(); });
        EXPECT_EQ(schedule.popupDelay(), d.delay) << "r = " << d.r;
        EXPECT_EQ(draws, 1) << "r = " << d.r;
    }
}

TEST(NewsSchedule, OnlineRunLoadsAtFiveAndShowsAtTwelveOnce)
{
    NewsSchedule schedule([] { return 0.0; });
    const auto fired = run(schedule, 1000, [](int) { return online(); });
    EXPECT_EQ(fired, (std::vector<Fired>{{185, NewsAction::Navigate}, {192, NewsAction::Show}}));
    EXPECT_TRUE(schedule.finished());
}

TEST(NewsSchedule, OnlyOnlineTicksCount)
{
    // Offline for the first ten minutes: the delay is drawn on the first tick
    // all the same, but counting starts when the connection comes back.
    NewsSchedule schedule([] { return 0.0; });
    auto fired = run(schedule, 600, [](int) { return NewsTick{false, false, false, MarkedPage}; });
    EXPECT_TRUE(fired.empty());
    EXPECT_EQ(schedule.popupDelay(), 180);
    EXPECT_EQ(schedule.popupStep(), 0);

    // Then online every other tick: tick n is online when n is even.
    fired = run(schedule, 1000, [](int n) {
        return NewsTick{false, n % 2 == 0, false, MarkedPage};
    });
    EXPECT_EQ(fired, (std::vector<Fired>{{2 * 185, NewsAction::Navigate}, {2 * 192, NewsAction::Show}}));
}

TEST(NewsSchedule, BusyPageHoldsTheCountAtTen)
{
    NewsSchedule schedule([] { return 0.0; });
    // The page is busy from the load until the 192nd tick, three ticks past
    // the busy check; being busy on other counts changes nothing.
    const auto fired = run(schedule, 1000, [](int n) {
        return NewsTick{false, true, n >= 185 && n < 193, MarkedPage};
    });
    // Counts 190 on ticks 190, 191, 192 (held back twice), 191 on 193...
    EXPECT_EQ(fired, (std::vector<Fired>{{185, NewsAction::Navigate}, {195, NewsAction::Show}}));
}

TEST(NewsSchedule, PageWithoutMarkerEndsTheRunWithoutSecondAttempt)
{
    NewsSchedule schedule([] { return 0.0; });
    auto fired = run(schedule, 1000, [](int) { return online("<p>ruanjian guanggao</p>"); });
    EXPECT_EQ(fired, (std::vector<Fired>{{185, NewsAction::Navigate}, {192, NewsAction::Stop}}));
    EXPECT_TRUE(schedule.finished());
    // A marked page later in the run changes nothing.
    fired = run(schedule, 1000, [](int) { return online(); });
    EXPECT_TRUE(fired.empty());
}

TEST(NewsSchedule, OptOutSuppressesTheSchedule)
{
    int draws = 0;
    NewsSchedule schedule([&] {
        ++draws;
        return 0.0;
    });
    auto fired = run(schedule, 1000, [](int) { return NewsTick{true, true, false, MarkedPage}; });
    EXPECT_TRUE(fired.empty());
    EXPECT_EQ(draws, 0);
    EXPECT_EQ(schedule.popupStep(), 0);

    // Opting out in the middle of the run freezes the count; clearing the
    // choice lets it go on where it stood.
    fired = run(schedule, 400, [](int n) { return NewsTick{n > 100 && n <= 150, true, false, MarkedPage}; });
    EXPECT_EQ(fired, (std::vector<Fired>{{235, NewsAction::Navigate}, {242, NewsAction::Show}}));
}

TEST(NewsCommand, HelpCommandAlwaysShowsAndLoadsOnlyWhenNeeded)
{
    EXPECT_TRUE(newsCommand(false).navigate);
    EXPECT_TRUE(newsCommand(false).show);
    EXPECT_FALSE(newsCommand(true).navigate);
    EXPECT_TRUE(newsCommand(true).show);
}

}  // namespace
}  // namespace kelodi
