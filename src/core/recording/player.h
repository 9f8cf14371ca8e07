// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <memory>
#include <optional>

#include "core/recording/recording_events.h"

namespace kelodi {

class KeyPresser;

// Plays RecordingEvents on the keys, one event at a time, driven from outside:
// the owner asks when the next event is due, waits without blocking (a timer)
// and then calls fireDue with the current time.
//
// Each delay runs from the moment the previous event actually fired, not from
// a schedule fixed at the start: a late event shifts everything after it, and
// the spacing between two events is never shorter than recorded. An event is
// due when strictly more than its delay has passed, so a delay of 0 fires on
// the next tick of the clock, never in the same instant as its predecessor.
class Player {
public:
    explicit Player(KeyPresser& keys);

    // Starts playing `events`, which the player shares rather than copies: a
    // score of millions of events is held once. Whoever fills events puts a
    // new list in place instead of changing one handed over, so the replay
    // plays what it was given. The first delay runs from `now`.
    void start(std::shared_ptr<const RecordingEvents> events, double now);
    // The same for events the caller keeps alive and unchanged until the
    // replay has ended, such as a replay run to its end within one call: the
    // player borrows them.
    void start(const RecordingEvents& events, double now);

    // Ends the replay. Keys stay as they are; releasing them is the caller's
    // business (the stop button releases all of them).
    void stop();

    bool isPlaying() const { return m_playing; }

    // True when every event has fired (also for a replay of no events).
    bool atEnd() const { return m_next >= m_events->size(); }

    // When the next event becomes due: it fires at any time later than this.
    // Empty when not playing or at the end.
    std::optional<double> nextDueTime() const;

    // Fires the next event if it is due at `now`: presses its key, or for a
    // release event releases every key as releaseAllKeys does. At most one
    // event per call, because the following
    // delay starts at `now`. True when an event fired.
    bool fireDue(double now);

    // Index of the next event to fire.
    std::size_t position() const { return m_next; }

    // Every delay is multiplied by `scale` (the replay's tempo, see
    // tempoDelayScale), from the event now awaited on. 1 plays as recorded;
    // a scale that is not a positive number is refused.
    void setDelayScale(double scale);

    // Releases keys 0..43 in order through the key path, the first release
    // reported and the others not: the recorder hears of one release at most
    // (and of none while the row keeps releases from it, as it does outside
    // a recording).
    static void releaseAllKeys(KeyPresser& keys);

private:
    double delayOf(std::size_t index) const;

    KeyPresser& m_keys;
    std::shared_ptr<const RecordingEvents> m_events = std::make_shared<const RecordingEvents>();
    std::size_t m_next = 0;
    double m_playClock = 0;
    bool m_playing = false;
    double m_delayScale = 1.0;
};

}  // namespace kelodi
