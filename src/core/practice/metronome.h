// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>

namespace kelodi {

class Clock;
class MidiPort;
class PlaybackScheduler;

// General MIDI's percussion channel (shown as channel 10) and the two wood
// blocks the metronome strikes: the high one on the first beat of a bar.
inline constexpr int MetronomeChannel = 9;
inline constexpr int AccentClickNote = 76;
inline constexpr int ClickNote = 77;
inline constexpr int AccentClickVelocity = 127;
inline constexpr int ClickVelocity = 90;

// The tempo range of the metronome on its own, in beats per minute, and the
// tempo it keeps at 100 % when no song gives one.
inline constexpr double SlowestMetronomeTempo = 40;
inline constexpr double FastestMetronomeTempo = 240;
inline constexpr double PlainMetronomeTempo = 120;

// The seconds between clicks of the metronome on its own: the song's beat
// (seconds, 0 for none: PlainMetronomeTempo) at `speedPercent`, kept within
// 40..240 beats per minute.
double freeMetronomeBeat(double songBeat, int speedPercent);

// Clicks on the percussion channel at a steady beat. Each click is due at its
// place in the bar counted from the first one, never from the click before,
// so a late wake-up delays one click and not all that follow. A click stops
// the one before it (note-off), so no drum note is left on.
class Metronome {
public:
    // None is owned; `scheduler` is the metronome's own slot.
    Metronome(MidiPort& port, PlaybackScheduler& scheduler, const Clock& clock);
    ~Metronome();
    Metronome(const Metronome&) = delete;
    Metronome& operator=(const Metronome&) = delete;

    // Clicks at `firstClick` and every `beatSeconds` after it, the click at
    // firstClick and every `beatsPerBar`-th after it accented. Restarts a
    // metronome already running. A beat that is not a positive number is
    // refused.
    void start(double firstClick, double beatSeconds, int beatsPerBar);
    // Stops the clicks and silences the last one.
    void stop();

    bool isRunning() const { return m_running; }
    double beatSeconds() const { return m_beat; }
    // Clicks sounded since start.
    std::size_t clicks() const { return m_clicks; }

private:
    void scheduleNext();
    void click();
    void silenceLastClick();

    MidiPort& m_port;
    PlaybackScheduler& m_scheduler;
    const Clock& m_clock;
    bool m_running = false;
    double m_firstClick = 0;
    double m_beat = 0.5;
    int m_beatsPerBar = 4;
    std::size_t m_clicks = 0;
    std::optional<int> m_sounding;  // the note of the last click
};

}  // namespace kelodi
