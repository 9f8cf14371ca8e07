// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/recording/player_driver.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "core/recording/clock.h"

namespace kelodi {

namespace {

// Far due times are reached in steps of at most an hour, which keeps the
// millisecond count well inside QTimer's int range.
constexpr double LongestWait = 3600.0;

}  // namespace

PlayerDriver::PlayerDriver(const Clock& clock, QObject* parent) : QObject(parent), m_clock(clock)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &PlayerDriver::onTimeout);
}

void PlayerDriver::callAt(double dueTime, std::function<void()> due)
{
    m_due = std::isfinite(dueTime) ? dueTime : m_clock.now() + LongestWait;
    m_callback = std::move(due);
    arm();
}

void PlayerDriver::cancel()
{
    m_timer.stop();
    m_callback = nullptr;
}

void PlayerDriver::arm()
{
    const double wait = std::min(m_due - m_clock.now() - WakeAhead, LongestWait);
    // Zero when the time is (nearly) there: the call still goes through the
    // event loop, never from inside callAt.
    const int milliseconds = wait > 0 ? static_cast<int>(std::floor(wait * 1000.0)) : 0;
    m_timer.start(milliseconds);
}

void PlayerDriver::onTimeout()
{
    if (!m_callback)
        return;
    const double remaining = m_due - m_clock.now();
    if (remaining > WakeAhead + 0.001) {
        // Woken early (or a long wait in steps): wait again in the loop.
        arm();
        return;
    }
    if (remaining > 0)
        std::this_thread::sleep_for(std::chrono::duration<double>(remaining));
    // The callback may ask for the next call (or cancel); it must not be
    // destroyed while it runs, so it leaves the member first.
    std::function<void()> callback = std::move(m_callback);
    m_callback = nullptr;
    callback();
}

}  // namespace kelodi
