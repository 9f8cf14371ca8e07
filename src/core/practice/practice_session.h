// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <memory>
#include <optional>

#include "core/recording/recording_events.h"

namespace kelodi {

// The figures of one practice pass.
struct PracticeFigures {
    std::size_t notes = 0;   // key presses in the song
    std::size_t hits = 0;    // presses of the awaited key
    std::size_t misses = 0;  // presses of any other key while a key was awaited
    double seconds = 0;      // from the start to the last right press

    friend bool operator==(const PracticeFigures&, const PracticeFigures&) = default;
};

// Follow-along practice of one song. The song's key presses are awaited one
// at a time, in order: a press of the awaited key is a hit and moves on to
// the next press, a press of any other key is a miss and the song waits on.
// The song's releases and the delays between its events are not waited for;
// the player's own key-ups release the keys. After the last press is hit the
// pass is finished.
//
//   Idle --start--> Waiting --last hit--> Finished
//     ^                |                     |
//     +------stop------+                     +--stop: stays Finished
//
// The session shares the song's events and reads them as it goes: no list of
// presses is built, so a pass over millions of notes costs no more memory than
// the events themselves. Event lists are replaced, never changed, so whatever
// happens to the events in memory meanwhile (a recording replacing them) does
// not change the pass.
class PracticeSession {
public:
    enum class State { Idle, Waiting, Finished };
    enum class Press { Ignored, Hit, Miss };

    // Starts a pass over the presses of `events`, the clock running from
    // `now`. A song without a key press cannot be practised: false, and the
    // session stays idle with the figures of the previous pass.
    bool start(std::shared_ptr<const RecordingEvents> events, double now);

    // Ends a pass that is waiting; its figures stay as they are.
    void stop();

    // A key 0..43 the player pressed (after it sounded). Ignored unless a key
    // is awaited.
    Press keyPressed(int key, double now);

    State state() const { return m_state; }
    bool isWaiting() const { return m_state == State::Waiting; }

    // The key and the event index of the awaited press; empty unless waiting.
    std::optional<int> waitingKey() const;
    std::optional<std::size_t> waitingEvent() const;

    const PracticeFigures& figures() const { return m_figures; }

private:
    void leaveSong();

    std::shared_ptr<const RecordingEvents> m_song;  // while waiting
    std::size_t m_waiting = 0;                      // the event of the awaited press
    State m_state = State::Idle;
    double m_startTime = 0;
    PracticeFigures m_figures;
};

}  // namespace kelodi
