// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <list>
#include <optional>

#include "core/recording/playback_scheduler.h"

namespace kelodi {

// One scheduler (one timer on the event loop) shared by everything that keeps
// time: the player, the practice, the metronome. Each user gets a slot of its
// own, a PlaybackScheduler with one pending request like any other; the
// shared scheduler keeps the underlying one asked for the earliest of them.
//
// Requests due at the same time run in the order the slots were made. A
// request runs after it has been taken off its slot, so it may ask its slot
// for the next call; a slot's callback may also run a nested event loop,
// since the underlying scheduler is asked again before the callback runs.
class SharedScheduler {
public:
    // `scheduler` is the one timer; it must outlive this object, and nothing
    // else may use it.
    explicit SharedScheduler(PlaybackScheduler& scheduler) : m_scheduler(scheduler) {}
    SharedScheduler(const SharedScheduler&) = delete;
    SharedScheduler& operator=(const SharedScheduler&) = delete;

    // A new slot, alive as long as this object.
    PlaybackScheduler& addSlot();

private:
    class Slot final : public PlaybackScheduler {
    public:
        explicit Slot(SharedScheduler& owner) : m_owner(owner) {}
        void callAt(double dueTime, std::function<void()> due) override;
        void cancel() override;

        std::optional<double> dueTime;
        std::function<void()> callback;

    private:
        SharedScheduler& m_owner;
    };

    void rearm();
    void onDue();

    PlaybackScheduler& m_scheduler;
    std::list<Slot> m_slots;  // stable addresses
};

}  // namespace kelodi
