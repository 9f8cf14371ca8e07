// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "core/recording/recording_events.h"

namespace kelodi {

// How a note of the song, or a press of the player, was judged.
enum class RhythmGrade {
    OnTime,  // 准: the note's key within OnTimeWindow of its time
    Early,   // 早: the note's key up to OutOfTimeWindow before its time
    Late,    // 晚: the note's key up to OutOfTimeWindow after its time
    Missed,  // 漏: the note's time passed by more than OutOfTimeWindow, unplayed
    Wrong,   // 错: a press that belongs to no note near
};

// Both windows are for 100 % speed and grow with the delays: at 50 % speed a
// press may be twice as far off.
inline constexpr double OnTimeWindow = 0.080;
inline constexpr double OutOfTimeWindow = 0.250;

struct RhythmFigures {
    std::size_t notes = 0;
    std::size_t onTime = 0;
    std::size_t early = 0;
    std::size_t late = 0;
    std::size_t missed = 0;
    std::size_t wrong = 0;
    // Offsets (press time - note time, seconds, as played) of the notes
    // played on time, early or late.
    double offsetSum = 0;
    double offsetSquares = 0;
    double seconds = 0;  // from the first note's time to the last one's

    std::size_t played() const { return onTime + early + late; }
    // The mean offset and its standard deviation, in seconds (0 with no
    // note played).
    double meanOffset() const;
    double offsetSpread() const;
};

// Notes on time in percent of all notes and wrong presses, rounded down, so
// that 100 means every note on time and not one wrong key.
int rhythmAccuracyPercent(const RhythmFigures& figures);

// Rhythm practice of one song: the song runs by the clock, and each press of
// the player is judged against the time of the song's notes. Every key press
// of the song is a note (each key of a chord is one); its time is the sum of
// the delays up to it, times the speed's delay scale, counted so that the
// song's first note falls on `firstNote`.
//
// A press goes to the closest note of its key not judged yet within
// OutOfTimeWindow (scaled); none there makes it a wrong press. A note whose
// window has closed unplayed is missed once pass() is told the time. The pass
// is over when every note is judged.
class RhythmSession {
public:
    struct Judged {
        RhythmGrade grade = RhythmGrade::Wrong;
        std::optional<std::size_t> note;  // index into notes(); empty for a wrong press
        double offset = 0;                // seconds, as played; 0 for a wrong press
    };
    struct Note {
        std::size_t event = 0;  // the song's press
        int key = -1;
        double time = 0;
        std::optional<RhythmGrade> grade;
    };

    // Starts a pass over the presses of `events`. False, with the session
    // idle, for a song without a key press or a delay scale that is not a
    // positive number.
    bool start(const RecordingEvents& events, double firstNote, double delayScale);

    // A press of key 0..43 at `now`. Ignored (empty) when no pass runs or the
    // key is no key.
    std::optional<Judged> keyPressed(int key, double now);

    // Judges as missed every note whose window has closed by `now`; returns
    // their indices, in order.
    std::vector<std::size_t> pass(double now);

    // When the earliest window still open closes: the time pass() has work
    // next. Empty once all notes are judged.
    std::optional<double> nextDeadline() const;

    bool isRunning() const { return m_running; }
    bool isFinished() const { return !m_running && m_started; }
    const std::vector<Note>& notes() const { return m_notes; }
    const RhythmFigures& figures() const { return m_figures; }
    double window(RhythmGrade grade) const;

    // Ends a pass early; figures stay as they are.
    void stop() { m_running = false; }

private:
    void judge(std::size_t note, RhythmGrade grade);
    void finishIfDone();

    std::vector<Note> m_notes;
    std::size_t m_firstOpen = 0;  // every note before it is judged
    double m_scale = 1;
    bool m_running = false;
    bool m_started = false;
    RhythmFigures m_figures;
};

}  // namespace kelodi
