#include "core/practice/practice_session.h"

#include "core/practice/score.h"

namespace kelodi {

bool PracticeSession::start(const RecordingEvents& events, double now)
{
    std::vector<Target> targets;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const int key = pressedKey(events, i);
        if (key >= 0)
            targets.push_back({i, key});
    }
    if (targets.empty())
        return false;
    m_targets = std::move(targets);
    m_next = 0;
    m_state = State::Waiting;
    m_startTime = now;
    m_figures = PracticeFigures{};
    m_figures.notes = m_targets.size();
    return true;
}

void PracticeSession::stop()
{
    if (m_state == State::Waiting)
        m_state = State::Idle;
}

PracticeSession::Press PracticeSession::keyPressed(int key, double now)
{
    if (m_state != State::Waiting || !isKeyIndex(key))
        return Press::Ignored;
    if (key != m_targets[m_next].key) {
        ++m_figures.misses;
        return Press::Miss;
    }
    ++m_figures.hits;
    m_figures.seconds = now - m_startTime;
    if (++m_next == m_targets.size())
        m_state = State::Finished;
    return Press::Hit;
}

std::optional<int> PracticeSession::waitingKey() const
{
    if (m_state != State::Waiting)
        return std::nullopt;
    return m_targets[m_next].key;
}

std::optional<std::size_t> PracticeSession::waitingEvent() const
{
    if (m_state != State::Waiting)
        return std::nullopt;
    return m_targets[m_next].event;
}

}  // namespace kelodi
