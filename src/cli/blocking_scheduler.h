// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "core/recording/clock.h"
#include "core/recording/playback_scheduler.h"

namespace kelodi::cli {

// The player's timing for a program without an event loop: run() sleeps
// until each requested call is due and makes it, until none is pending. The
// last millisecond before a due time is spun on the clock: a sleep, or a
// yield on a busy machine, may overshoot by more than the millisecond an
// event is allowed. A stop request ends run() within SleepSlice.
class BlockingScheduler final : public PlaybackScheduler {
public:
    BlockingScheduler(const Clock& clock, const std::atomic<bool>& stop) : m_clock(clock), m_stop(stop) {}

    void callAt(double dueTime, std::function<void()> due) override
    {
        m_due = dueTime;
        m_call = std::move(due);
    }
    void cancel() override { m_call = nullptr; }

    // False when a stop was requested before every call was made.
    bool run()
    {
        while (m_call) {
            if (!waitUntilPast(m_due))
                return false;
            std::function<void()> call = std::move(m_call);
            m_call = nullptr;
            call();
        }
        return true;
    }

    static constexpr double SleepSlice = 0.010;
    static constexpr double SpinAhead = 0.001;

private:
    bool waitUntilPast(double due)
    {
        for (;;) {
            if (m_stop.load())
                return false;
            const double left = due - m_clock.now();
            if (left < 0)
                return true;
            if (left > SpinAhead)
                std::this_thread::sleep_for(std::chrono::duration<double>(std::min(left - SpinAhead, SleepSlice)));
        }
    }

    const Clock& m_clock;
    const std::atomic<bool>& m_stop;
    double m_due = 0;
    std::function<void()> m_call;
};

}  // namespace kelodi::cli
