// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>

namespace kelodi {

// Monotonic time in seconds. Only differences matter; the origin is arbitrary.
// The recorder and the player take a clock so that tests can move time by hand.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double now() const = 0;
};

// The system's monotonic clock (nanosecond ticks on the usual platforms). It
// never jumps with changes of the wall clock or at midnight.
class SteadyClock final : public Clock {
public:
    double now() const override
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
};

// A clock that moves only when told to.
class ManualClock final : public Clock {
public:
    explicit ManualClock(double start = 1000.0) : m_now(start) {}
    double now() const override { return m_now; }
    void set(double seconds) { m_now = seconds; }
    void advance(double seconds) { m_now += seconds; }

private:
    double m_now;
};

}  // namespace kelodi
