// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/recording/shared_scheduler.h"

namespace kelodi {

PlaybackScheduler& SharedScheduler::addSlot()
{
    return m_slots.emplace_back(*this);
}

void SharedScheduler::Slot::callAt(double due, std::function<void()> callback_)
{
    dueTime = due;
    callback = std::move(callback_);
    m_owner.rearm();
}

void SharedScheduler::Slot::cancel()
{
    if (!dueTime)
        return;
    dueTime.reset();
    callback = nullptr;
    m_owner.rearm();
}

// The underlying scheduler waits for the earliest request, or for none.
void SharedScheduler::rearm()
{
    const Slot* earliest = nullptr;
    for (const Slot& slot : m_slots) {
        if (slot.dueTime && (!earliest || *slot.dueTime < *earliest->dueTime))
            earliest = &slot;
    }
    if (earliest)
        m_scheduler.callAt(*earliest->dueTime, [this] { onDue(); });
    else
        m_scheduler.cancel();
}

// The underlying scheduler calls once the earliest request is due: that one
// runs; the others wait for the next call, which is already asked for.
void SharedScheduler::onDue()
{
    Slot* earliest = nullptr;
    for (Slot& slot : m_slots) {
        if (slot.dueTime && (!earliest || *slot.dueTime < *earliest->dueTime))
            earliest = &slot;
    }
    if (!earliest)
        return;
    std::function<void()> callback = std::move(earliest->callback);
    earliest->dueTime.reset();
    earliest->callback = nullptr;
    rearm();
    if (callback)
        callback();
}

}  // namespace kelodi
