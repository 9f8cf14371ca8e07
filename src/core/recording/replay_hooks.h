// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <memory>

namespace kelodi {

class RecordingEvents;

// What the recording controller tells others about its replays, and the way
// follow-along practice takes a replay over from the player. Every call comes
// on the window thread, from inside the controller.
class ReplayHooks {
public:
    virtual ~ReplayHooks() = default;

    // True while replays are to be taken over (practice is on). A recording
    // running when such a replay or its file is started goes on: the player
    // practises into it on purpose, and the take holds the player's presses.
    virtual bool takesReplays() const = 0;

    // A replay of `events` starts; `repeat` when it repeats the pass that
    // just ended. True when the hooks run it themselves: the player then
    // stays idle until endGuidedReplay() or the stop button. The events are
    // shared as the player shares them: kept, never copied, and never changed
    // (new events come as a new list).
    virtual bool replayStarting(std::shared_ptr<const RecordingEvents> events, bool repeat, double now) = 0;

    // The player fired event `index` of an ordinary replay.
    virtual void eventFired(std::size_t index) = 0;

    // The replay ended or was stopped (also when nothing was playing: the stop
    // button and shutdown always end here).
    virtual void replayStopped() = 0;

    // A recording ended; `events` are the events in memory now.
    virtual void recordingEnded(std::shared_ptr<const RecordingEvents> events) = 0;
};

}  // namespace kelodi
