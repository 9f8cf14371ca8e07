// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QSignalSpy>

#include "gui/app/termination_signals.h"

#ifdef Q_OS_UNIX

#include <csignal>

namespace kelodi {
namespace {

using Handler = void (*)(int);

Handler handlerOf(int signalNumber)
{
    struct sigaction current {};
    sigaction(signalNumber, nullptr, &current);
    return current.sa_handler;
}

// A signal raised in the process arrives as `received` once the event loop
// runs; one the program was started with ignored (nohup) stays ignored; the
// handlers from before come back afterwards.
TEST(TerminationSignals, ArriveOnTheEventLoopAndLeaveIgnoredOnesIgnored)
{
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGHUP, SIG_IGN);
    {
        TerminationSignals termination;
        EXPECT_EQ(termination.caught(), (std::vector<int>{SIGTERM, SIGINT}));
        QSignalSpy received(&termination, &TerminationSignals::received);
        std::raise(SIGTERM);
        std::raise(SIGHUP);
        std::raise(SIGINT);
        EXPECT_TRUE(received.isEmpty()) << "delivered inside the handler";
        ASSERT_TRUE(received.wait(5000));
        if (received.size() < 2)
            received.wait(5000);
        ASSERT_EQ(received.size(), 2);
        EXPECT_EQ(received.at(0).at(0).toInt(), SIGTERM);
        EXPECT_EQ(received.at(1).at(0).toInt(), SIGINT);
    }
    EXPECT_EQ(handlerOf(SIGTERM), SIG_DFL);
    EXPECT_EQ(handlerOf(SIGINT), SIG_DFL);
    EXPECT_EQ(handlerOf(SIGHUP), SIG_IGN);
    std::signal(SIGHUP, SIG_DFL);
}

}  // namespace
}  // namespace kelodi

#endif
