// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "core/keyboard/key_path.h"
#include "core/practice/practice_history.h"
#include "core/practice/practice_session.h"
#include "core/practice/rhythm_session.h"
#include "core/practice/score.h"
#include "core/recording/recorder.h"
#include "core/recording/recording_events.h"
#include "core/recording/replay_hooks.h"

namespace kelodi {

class Clock;
class Metronome;
class PlaybackScheduler;
class PracticeView;
class RecordingController;

// The score window's song, the practice and the metronome, between the
// recording controller and the key path.
//
// Every replay shows its song as a score and marks the key of the next press
// while it runs. A score cut after MaxScoreNotes notes loses its highlight
// past its end; the marked key and the practice go on to the song's end.
//
// With practice on, a replay is taken over from the player: nothing is
// pressed for the player.
// - 跟弹练习 (PracticeMode::Wait): the song waits at each of its presses for
//   the player to press that key or chord (PracticeSession).
// - 节奏练习 (PracticeMode::Rhythm): after a bar of metronome clicks the song
//   runs by the clock at the speed chosen, silent, the metronome clicking on,
//   and every press of the player is judged against the notes' times
//   (RhythmSession); each judged note is coloured in the score.
// The last note sounds as long as the player holds it. Once its keys are up
// the pass ends from the event loop, never inside a key press or release:
// the row is stopped, the pass stored in the song's records, and only then
// the box comes; after the box is closed a repeat starts if the repeat box
// is ticked. A repeat practises the same song again, also when a recording
// kept running has replaced the events in memory with the player's take.
//
// The player's own presses and releases during a pass are kept as a take
// that can be saved (take()).
//
// The metronome on its own (setMetronomeOn) clicks at the song's beat times
// the speed, kept within 40..240 beats per minute; a rhythm pass takes it
// over and gives it back at its end.
// The events from press `first` to the end of the chord press `last` begins
// and the releases after it (to the song's end without `last`).
RecordingEvents passageEvents(const RecordingEvents& events, std::size_t first, std::optional<std::size_t> last);

class PracticeController final : public ReplayHooks, public KeyPressListener {
public:
    // `timer` is the practice's own slot of the scheduler: it ends passes
    // and runs the rhythm pass's clock. None is owned.
    PracticeController(RecordingController& controller, PracticeView& view, PlaybackScheduler& timer,
                       const Clock& clock);
    PracticeController(const PracticeController&) = delete;
    PracticeController& operator=(const PracticeController&) = delete;

    // The check items "跟弹练习" and "节奏练习": replays started from now on are
    // practised that way (empty: not at all). A pass already running goes on
    // until it ends or is stopped.
    void setMode(std::optional<PracticeMode> mode) { m_mode = mode; }
    void setEnabled(bool enabled) { setMode(enabled ? std::optional(PracticeMode::Wait) : std::nullopt); }
    std::optional<PracticeMode> mode() const { return m_mode; }
    bool isEnabled() const { return m_mode.has_value(); }

    // What clicks and where the passes are kept (none by default). Not owned.
    void setMetronome(Metronome* metronome) { m_metronome = metronome; }
    void setHistory(const PracticeHistory* history) { m_history = history; }
    // The name of the song: its file's, "录音" for a recording.
    std::string songName() const;

    // The speed box, 25..200 %: the pace of rhythm passes from the next one,
    // and the free metronome's tempo at once.
    void setSpeedPercent(int percent);
    // Beats in a bar: the count-in's length and the metronome's accents.
    void setBeatsPerBar(int beats);
    // The check item "节拍器": the metronome clicks on its own.
    void setMetronomeOn(bool on);

    const PracticeSession& session() const { return m_session; }
    const RhythmSession& rhythm() const { return m_rhythm; }
    const Score& score() const { return m_score; }
    // The player's presses in the last pass; empty before any.
    const std::shared_ptr<RecordingEvents>& take() const { return m_take; }
    // The passes of the song shown, oldest first.
    std::vector<PassRecord> records() const;

    // A click on symbol `symbol` of the score: practice starts at its note
    // and runs to the song's end. With `extend` (Shift held) the passage from
    // the note clicked before to this one is practised over and over, each
    // pass with its own figures, until the stop button. In the way of
    // practice chosen, 跟弹 when none is.
    void noteClicked(std::size_t symbol, bool extend);
    // The loop's first and last press (events of the song), while one runs.
    struct Passage {
        std::size_t first = 0;
        std::optional<std::size_t> last;
    };
    const std::optional<Passage>& loop() const { return m_loop; }

    // ReplayHooks
    bool takesReplays() const override { return isEnabled(); }
    bool replayStarting(std::shared_ptr<const RecordingEvents> events, bool repeat, double now) override;
    void eventFired(std::size_t index) override;
    void replayStopped() override;
    void recordingEnded(std::shared_ptr<const RecordingEvents> events) override;

    // KeyPressListener: a press that has sounded, a release that has
    // stopped its notes.
    void keyPressed(int key) override;
    void keyReleased(int key) override;

    // Seconds from the start of a rhythm pass to its first click: room for
    // the window to settle.
    static constexpr double CountInLead = 0.5;
    // The beat of a song too short to have one.
    static constexpr double DefaultBeat = 0.5;

private:
    void showSong(std::shared_ptr<const RecordingEvents> events);
    void showWaitingNote();
    bool startRhythmPass(const RecordingEvents& events, double now);
    void startPassage(Passage passage);
    void rhythmTick();
    void scheduleRhythmTick();
    void showJudged(std::size_t note, RhythmGrade grade);
    void rhythmPressed(int key);
    void endOnceReleased();
    void finishPass();
    void summaryClosed();
    void restartFreeMetronome();
    double songBeat() const;
    double scoreBeat() const;

    RecordingController& m_controller;
    PracticeView& m_view;
    PlaybackScheduler& m_timer;
    const Clock& m_clock;
    Metronome* m_metronome = nullptr;
    const PracticeHistory* m_history = nullptr;
    std::optional<PracticeMode> m_mode;
    std::optional<PracticeMode> m_passMode;  // the mode of the pass running or just ended
    int m_speedPercent = 100;
    int m_beatsPerBar = 4;
    bool m_metronomeOn = false;
    bool m_lastPassPractised = false;
    bool m_endOnRelease = false;           // the last note is complete and may still sound
    bool m_passEnding = false;             // the pass's own stop is running
    std::array<bool, KeyCount> m_held{};  // keys the player holds down
    std::shared_ptr<const RecordingEvents> m_song = std::make_shared<const RecordingEvents>();
    Score m_score;
    PracticeSession m_session;
    RhythmSession m_rhythm;
    std::size_t m_nextOnset = 0;  // the rhythm note to highlight next
    std::size_t m_passFirst = 0;  // the song's event the pass's events start at
    std::optional<std::size_t> m_lastClicked;  // the press of the note clicked last
    std::optional<Passage> m_loop;
    std::optional<Passage> m_startingPassage;  // while a pass from the score starts
    std::shared_ptr<RecordingEvents> m_take = std::make_shared<RecordingEvents>();
    Recorder m_takeRecorder{m_take, m_clock};
};

}  // namespace kelodi
