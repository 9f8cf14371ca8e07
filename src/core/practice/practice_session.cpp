// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/practice/practice_session.h"

#include <algorithm>

#include "core/practice/score.h"

namespace kelodi {

int accuracyPercent(const PracticeFigures& figures)
{
    const std::size_t presses = figures.hits + figures.misses;
    return presses == 0 ? 0 : static_cast<int>(figures.hits * 100 / presses);
}

bool PracticeSession::start(std::shared_ptr<const RecordingEvents> events)
{
    if (!events)
        return false;
    const std::optional<std::size_t> first = nextPress(*events, 0);
    if (!first)
        return false;
    m_figures = PracticeFigures{};
    m_figures.notes = countPresses(*events);
    m_song = std::move(events);
    m_state = State::Waiting;
    m_firstPress.reset();
    awaitChord(*first);
    return true;
}

void PracticeSession::stop()
{
    if (m_state == State::Waiting) {
        m_state = State::Idle;
        leaveSong();
    }
}

void PracticeSession::awaitChord(std::size_t firstPress)
{
    ChordPresses chord = chordAt(*m_song, firstPress);
    m_waiting = firstPress;
    m_nextEvent = chord.end;
    m_chordKeys = std::move(chord.keys);
    m_pressTimes.assign(m_chordKeys.size(), std::nullopt);
}

PracticeSession::Press PracticeSession::keyPressed(int key, double now)
{
    if (m_state != State::Waiting || !isKeyIndex(key))
        return Press::Ignored;
    if (!m_firstPress)
        m_firstPress = now;
    const auto found = std::lower_bound(m_chordKeys.begin(), m_chordKeys.end(), key);
    if (found == m_chordKeys.end() || *found != key) {
        ++m_figures.misses;
        return Press::Miss;
    }
    ++m_figures.hits;
    // Presses of this attempt that lie too far back no longer count: the
    // chord is complete only when all its keys came close together.
    m_pressTimes[static_cast<std::size_t>(found - m_chordKeys.begin())] = now;
    for (std::optional<double>& pressed : m_pressTimes) {
        if (pressed && now - *pressed > ChordPressSpread)
            pressed.reset();
    }
    if (std::any_of(m_pressTimes.begin(), m_pressTimes.end(), [](const auto& t) { return !t; }))
        return Press::Hit;

    m_figures.seconds = now - *m_firstPress;
    if (const std::optional<std::size_t> next = nextPress(*m_song, m_nextEvent)) {
        awaitChord(*next);
    } else {
        m_state = State::Finished;
        leaveSong();
    }
    return Press::Hit;
}

std::optional<int> PracticeSession::waitingKey() const
{
    if (m_state != State::Waiting)
        return std::nullopt;
    for (std::size_t i = 0; i < m_chordKeys.size(); ++i) {
        if (!m_pressTimes[i])
            return m_chordKeys[i];
    }
    return std::nullopt;
}

std::optional<std::size_t> PracticeSession::waitingEvent() const
{
    if (m_state != State::Waiting)
        return std::nullopt;
    return m_waiting;
}

// A pass that no longer waits keeps no events alive; the keys of its last
// note stay known.
void PracticeSession::leaveSong()
{
    m_song.reset();
    m_waiting = 0;
    m_nextEvent = 0;
    m_pressTimes.clear();
}

}  // namespace kelodi
