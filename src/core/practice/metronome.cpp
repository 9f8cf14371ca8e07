// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/practice/metronome.h"

#include <algorithm>
#include <cmath>

#include "core/midi/midi_port.h"
#include "core/midi/short_message.h"
#include "core/recording/clock.h"
#include "core/recording/playback_scheduler.h"
#include "core/recording/tempo.h"

namespace kelodi {

double freeMetronomeBeat(double songBeat, int speedPercent)
{
    const double tempo = std::isfinite(songBeat) && songBeat > 0 ? 60.0 / songBeat : PlainMetronomeTempo;
    const double percent = std::clamp(speedPercent, SlowestTempoPercent, FastestTempoPercent);
    return 60.0 / std::clamp(tempo * percent / 100.0, SlowestMetronomeTempo, FastestMetronomeTempo);
}

Metronome::Metronome(MidiPort& port, PlaybackScheduler& scheduler, const Clock& clock)
    : m_port(port), m_scheduler(scheduler), m_clock(clock)
{
}

Metronome::~Metronome()
{
    stop();
}

void Metronome::start(double firstClick, double beatSeconds, int beatsPerBar)
{
    if (!std::isfinite(beatSeconds) || beatSeconds <= 0 || !std::isfinite(firstClick))
        return;
    m_firstClick = firstClick;
    m_beat = beatSeconds;
    m_beatsPerBar = std::max(beatsPerBar, 1);
    m_clicks = 0;
    m_running = true;
    scheduleNext();
}

void Metronome::stop()
{
    if (!m_running)
        return;
    m_running = false;
    m_scheduler.cancel();
    silenceLastClick();
}

void Metronome::scheduleNext()
{
    const double due = m_firstClick + static_cast<double>(m_clicks) * m_beat;
    // Slightly before its place, so that "due strictly after" does not make a
    // click on the beat a tick late.
    m_scheduler.callAt(due - 1e-6, [this] { click(); });
}

void Metronome::click()
{
    if (!m_running)
        return;
    // A wake-up later than a whole beat skips the clicks it missed rather
    // than sounding them all at once.
    const double now = m_clock.now();
    const auto place = static_cast<std::size_t>(std::max(0.0, std::floor((now - m_firstClick) / m_beat + 1e-6)));
    m_clicks = std::max(m_clicks, place);
    silenceLastClick();
    const bool accent = m_clicks % static_cast<std::size_t>(m_beatsPerBar) == 0;
    const int note = accent ? AccentClickNote : ClickNote;
    m_port.sendShortMessage(
        packShortMessage(MidiKind::NoteOn, MetronomeChannel, note, accent ? AccentClickVelocity : ClickVelocity));
    m_sounding = note;
    ++m_clicks;
    scheduleNext();
}

void Metronome::silenceLastClick()
{
    if (m_sounding)
        m_port.sendNoteOff(MetronomeChannel, *m_sounding);
    m_sounding.reset();
}

}  // namespace kelodi
