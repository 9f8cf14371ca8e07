// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

namespace kelodi {

// Lets the player wait without blocking: the UI's event loop calls back when
// an event is due. Times are in seconds of the Clock the player uses.
class PlaybackScheduler {
public:
    virtual ~PlaybackScheduler() = default;

    // Asks for one call of `due` once the clock has passed `dueTime` (a time
    // already past means as soon as possible, from the event loop, never from
    // inside this call). Replaces any request still pending.
    virtual void callAt(double dueTime, std::function<void()> due) = 0;

    // Drops the pending request, if any.
    virtual void cancel() = 0;
};

}  // namespace kelodi
