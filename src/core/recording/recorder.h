// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <memory>

namespace kelodi {

class Clock;
class RecordingEvents;
struct KeyEvent;

// Captures a performance as RecordingEvents: one event per key press and one
// release event per reported key release, each holding the time since the
// event before it.
//
// The events of the previous recording (or loaded file) stay until the first
// event of a new recording replaces them, so starting and ending a recording
// without touching a key keeps what was there.
//
// The first event puts a new list into `events` rather than clearing the old
// one in place, and later events extend only that list: a replay may still be
// playing the old one, and lists handed to the player are never changed.
class Recorder {
public:
    // `events` is the owner's slot for the events in memory; it must outlive
    // the recorder.
    Recorder(std::shared_ptr<RecordingEvents>& events, const Clock& clock);

    // Starts and ends taking down the key path's events.
    void start();
    void stop();
    bool isRecording() const { return m_recording; }
    // 0 while not recording; otherwise the number of the running take (the
    // first recording is take 1, the next take 2, ...).
    unsigned take() const { return m_recording ? m_takes : 0; }

    // The key path reports a press of key 0..43 (any other value is
    // ignored) or a release, which is recorded as the release of every key.
    // Both are ignored while not recording.
    //
    // The first event gets the delay 0.1 s, so a replay starts with a short
    // breath. Later delays are the time since the previous event, folded
    // modulo 10 s: a long pause while recording becomes a short one on replay.
    void recordPress(int key);
    void recordRelease();

private:
    // Appends `event` with the delay since the event before.
    void record(KeyEvent event);

    std::shared_ptr<RecordingEvents>& m_events;
    std::weak_ptr<RecordingEvents> m_take;  // the list this recording fills
    const Clock& m_clock;
    bool m_recording = false;
    unsigned m_takes = 0;
    bool m_takeStarted = false;  // an event has been recorded since start()
    double m_lastEventTime = 0;
};

}  // namespace kelodi
