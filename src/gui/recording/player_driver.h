// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

#include "core/recording/playback_scheduler.h"

namespace kelodi {

class Clock;

// Runs the player's timing on the window thread's event loop. One pending
// call at a time: a single-shot precise QTimer wakes the loop shortly before
// the due time and the remaining fraction of a millisecond is slept, so an
// event fires well within a millisecond of its due time. Between events the
// thread waits in the event loop (no polling, no nested loop), and the window
// keeps handling input; the short sleep before an event never exceeds
// WakeAhead + 1 ms.
class PlayerDriver : public QObject, public PlaybackScheduler {
    Q_OBJECT
public:
    // `clock` must be the clock the player's due times are read from (a
    // SteadyClock in the program). Not owned.
    explicit PlayerDriver(const Clock& clock, QObject* parent = nullptr);

    void callAt(double dueTime, std::function<void()> due) override;
    void cancel() override;

    bool isPending() const { return static_cast<bool>(m_callback); }

    // How long before the due time the timer is asked to wake the loop. Qt's
    // precise timers wake with millisecond granularity and some latency; this
    // margin keeps the wake-up before the due time, and the rest is slept.
    static constexpr double WakeAhead = 0.0005;

private:
    void arm();
    void onTimeout();

    const Clock& m_clock;
    QTimer m_timer;
    double m_due = 0;
    std::function<void()> m_callback;
};

}  // namespace kelodi
