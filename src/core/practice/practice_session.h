// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "core/recording/recording_events.h"

namespace kelodi {

// The figures of one practice pass.
struct PracticeFigures {
    std::size_t notes = 0;   // key presses in the song
    std::size_t hits = 0;    // presses of a key of the awaited note or chord
    std::size_t misses = 0;  // presses of any other key while a note was awaited
    double seconds = 0;      // from the player's first press to the press that completed the song

    friend bool operator==(const PracticeFigures&, const PracticeFigures&) = default;
};

// Right presses in percent of all presses, rounded down, so that 100 means
// not one wrong key; 0 before the first press.
int accuracyPercent(const PracticeFigures& figures);

// The presses of a chord must all come within this many seconds of each other.
inline constexpr double ChordPressSpread = 0.300;

// Follow-along practice of one song. The song's notes are awaited one at a
// time, in order; presses that start together in the song (a chord, see
// chordAt) are awaited together. A press of a key of the awaited note is a
// hit; once every key of it has been pressed, in any order, within
// ChordPressSpread of each other, the song moves on to its next note. A press
// of any other key is a miss and the song waits on. The song's releases and
// the delays between its events are not waited for; the player's own key-ups
// release the keys. After the last note is complete the pass is finished.
//
//   Idle --start--> Waiting --last note complete--> Finished
//     ^                |                               |
//     +------stop------+                               +--stop: stays Finished
//
// The time runs from the player's first press of the pass, right or wrong.
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

    // Starts a pass over the presses of `events`. A song without a key press
    // cannot be practised: false, and the session stays idle with the figures
    // of the previous pass.
    bool start(std::shared_ptr<const RecordingEvents> events);

    // Ends a pass that is waiting; its figures stay as they are.
    void stop();

    // A key 0..43 the player pressed (after it sounded) at `now` seconds.
    // Ignored unless a note is awaited.
    Press keyPressed(int key, double now);

    State state() const { return m_state; }
    bool isWaiting() const { return m_state == State::Waiting; }

    // The key to press next (the lowest key of the awaited chord not pressed
    // yet) and the event index of the awaited note's first press; empty
    // unless waiting.
    std::optional<int> waitingKey() const;
    std::optional<std::size_t> waitingEvent() const;

    // The keys of the awaited note, or of the last note once finished.
    const std::vector<int>& chordKeys() const { return m_chordKeys; }

    const PracticeFigures& figures() const { return m_figures; }

private:
    void awaitChord(std::size_t firstPress);
    void leaveSong();

    std::shared_ptr<const RecordingEvents> m_song;  // while waiting
    std::size_t m_waiting = 0;                      // the first press of the awaited note
    std::size_t m_nextEvent = 0;                    // the event after the awaited note's presses
    std::vector<int> m_chordKeys;                   // ascending, each once
    std::vector<std::optional<double>> m_pressTimes;  // of each chord key in this attempt
    State m_state = State::Idle;
    std::optional<double> m_firstPress;
    PracticeFigures m_figures;
};

}  // namespace kelodi
