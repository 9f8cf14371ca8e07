// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <memory>

#include "core/keyboard/key_path.h"
#include "core/practice/practice_session.h"
#include "core/practice/score.h"
#include "core/recording/recording_events.h"
#include "core/recording/replay_hooks.h"

namespace kelodi {

class Clock;
class PlaybackScheduler;
class PracticeView;
class RecordingController;

// The score window's song and the follow-along practice, between the
// recording controller and the key path.
//
// Every replay shows its song as a score and marks the key of the next press
// while it runs. A score cut after MaxScoreNotes notes loses its highlight
// past its end; the marked key and the practice go on to the song's end.
// With practice on ("跟弹练习"), a replay is taken over from the player:
// nothing is pressed for the player; the song waits at each of its presses
// for the player to press that key or chord (PracticeSession), and moves on
// once the press has sounded. The last note sounds as long as the player
// holds it: once its keys are all up, the pass ends from the event loop
// (never inside the key press or release): the stop button, the box
// "练习完成", then a repeat if the repeat box is ticked. A repeat practises
// the same song again, also when a recording kept running has replaced the
// events in memory with the player's take.
class PracticeController final : public ReplayHooks, public KeyPressListener {
public:
    // `deferral` runs the end of a pass from the event loop; it must not be
    // the player's scheduler. None is owned.
    PracticeController(RecordingController& controller, PracticeView& view, PlaybackScheduler& deferral,
                       const Clock& clock);
    PracticeController(const PracticeController&) = delete;
    PracticeController& operator=(const PracticeController&) = delete;

    // The check item "跟弹练习": replays started from now on are practised.
    // A pass already running goes on until it ends or is stopped.
    void setEnabled(bool enabled) { m_enabled = enabled; }
    bool isEnabled() const { return m_enabled; }

    const PracticeSession& session() const { return m_session; }
    const Score& score() const { return m_score; }

    // ReplayHooks
    bool takesReplays() const override { return m_enabled; }
    bool replayStarting(std::shared_ptr<const RecordingEvents> events, bool repeat, double now) override;
    void eventFired(std::size_t index) override;
    void replayStopped() override;
    void guidedPassEnded() override;
    void recordingEnded(std::shared_ptr<const RecordingEvents> events) override;

    // KeyPressListener: a press that has sounded, a release that has
    // stopped its notes.
    void keyPressed(int key) override;
    void keyReleased(int key) override;

private:
    void showSong(std::shared_ptr<const RecordingEvents> events);
    void showWaitingNote();
    void endOnceReleased();

    RecordingController& m_controller;
    PracticeView& m_view;
    PlaybackScheduler& m_deferral;
    const Clock& m_clock;
    bool m_enabled = false;
    bool m_lastPassPractised = false;
    bool m_endOnRelease = false;           // the last note is complete and may still sound
    std::array<bool, KeyCount> m_held{};  // keys the player holds down
    std::shared_ptr<const RecordingEvents> m_song = std::make_shared<const RecordingEvents>();
    Score m_score;
    PracticeSession m_session;
};

}  // namespace kelodi
