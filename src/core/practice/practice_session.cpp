// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/practice/practice_session.h"

#include "core/practice/score.h"

namespace kelodi {

bool PracticeSession::start(std::shared_ptr<const RecordingEvents> events, double now)
{
    if (!events)
        return false;
    const std::optional<std::size_t> first = nextPress(*events, 0);
    if (!first)
        return false;
    m_figures = PracticeFigures{};
    m_figures.notes = countPresses(*events);
    m_song = std::move(events);
    m_waiting = *first;
    m_state = State::Waiting;
    m_startTime = now;
    return true;
}

void PracticeSession::stop()
{
    if (m_state == State::Waiting) {
        m_state = State::Idle;
        leaveSong();
    }
}

PracticeSession::Press PracticeSession::keyPressed(int key, double now)
{
    if (m_state != State::Waiting || !isKeyIndex(key))
        return Press::Ignored;
    if (key != pressedKey(*m_song, m_waiting)) {
        ++m_figures.misses;
        return Press::Miss;
    }
    ++m_figures.hits;
    m_figures.seconds = now - m_startTime;
    if (const std::optional<std::size_t> next = nextPress(*m_song, m_waiting + 1)) {
        m_waiting = *next;
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
    return pressedKey(*m_song, m_waiting);
}

std::optional<std::size_t> PracticeSession::waitingEvent() const
{
    if (m_state != State::Waiting)
        return std::nullopt;
    return m_waiting;
}

// A pass that no longer waits keeps no events alive.
void PracticeSession::leaveSong()
{
    m_song.reset();
    m_waiting = 0;
}

}  // namespace kelodi
