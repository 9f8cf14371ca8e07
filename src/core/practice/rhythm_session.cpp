// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/practice/rhythm_session.h"

#include <cmath>

#include "core/recording/recording_events.h"

namespace kelodi {

double RhythmFigures::meanOffset() const
{
    return played() == 0 ? 0 : offsetSum / static_cast<double>(played());
}

double RhythmFigures::offsetSpread() const
{
    if (played() == 0)
        return 0;
    const double mean = meanOffset();
    const double variance = offsetSquares / static_cast<double>(played()) - mean * mean;
    return variance > 0 ? std::sqrt(variance) : 0;
}

int rhythmAccuracyPercent(const RhythmFigures& figures)
{
    const std::size_t all = figures.notes + figures.wrong;
    return all == 0 ? 0 : static_cast<int>(figures.onTime * 100 / all);
}

bool RhythmSession::start(const RecordingEvents& events, double firstNote, double delayScale)
{
    if (!std::isfinite(delayScale) || delayScale <= 0 || !std::isfinite(firstNote))
        return false;
    std::vector<Note> notes;
    double time = 0;
    std::optional<double> first;
    for (std::size_t i = 0; i < events.size(); ++i) {
        // As the player waits: a negative or non-finite delay counts as none.
        const double delay = events[i].delay;
        time += std::isfinite(delay) && delay > 0 ? delay : 0.0;
        const int key = events[i].pressedKey();
        if (key < 0)
            continue;
        if (!first)
            first = time;
        notes.push_back(Note{i, key, firstNote + (time - *first) * delayScale, std::nullopt});
    }
    if (notes.empty())
        return false;
    m_notes = std::move(notes);
    m_firstOpen = 0;
    m_scale = delayScale;
    m_figures = RhythmFigures{};
    m_figures.notes = m_notes.size();
    m_figures.seconds = m_notes.back().time - m_notes.front().time;
    m_running = true;
    m_started = true;
    return true;
}

double RhythmSession::window(RhythmGrade grade) const
{
    return (grade == RhythmGrade::OnTime ? OnTimeWindow : OutOfTimeWindow) * m_scale;
}

std::optional<RhythmSession::Judged> RhythmSession::keyPressed(int key, double now)
{
    if (!m_running || !isKeyIndex(key))
        return std::nullopt;
    const double reach = window(RhythmGrade::Early);
    std::optional<std::size_t> closest;
    for (std::size_t i = m_firstOpen; i < m_notes.size() && m_notes[i].time <= now + reach; ++i) {
        const Note& note = m_notes[i];
        if (note.grade || note.key != key || std::abs(now - note.time) > reach)
            continue;
        if (!closest || std::abs(now - note.time) < std::abs(now - m_notes[*closest].time))
            closest = i;
    }
    if (!closest) {
        ++m_figures.wrong;
        return Judged{};
    }
    const double offset = now - m_notes[*closest].time;
    const RhythmGrade grade = std::abs(offset) <= window(RhythmGrade::OnTime) ? RhythmGrade::OnTime
                              : offset < 0                                   ? RhythmGrade::Early
                                                                             : RhythmGrade::Late;
    m_figures.offsetSum += offset;
    m_figures.offsetSquares += offset * offset;
    judge(*closest, grade);
    finishIfDone();
    return Judged{grade, closest, offset};
}

std::vector<std::size_t> RhythmSession::pass(double now)
{
    std::vector<std::size_t> missed;
    if (!m_running)
        return missed;
    const double reach = window(RhythmGrade::Late);
    for (std::size_t i = m_firstOpen; i < m_notes.size() && m_notes[i].time + reach < now; ++i) {
        if (!m_notes[i].grade) {
            judge(i, RhythmGrade::Missed);
            missed.push_back(i);
        }
    }
    finishIfDone();
    return missed;
}

std::optional<double> RhythmSession::nextDeadline() const
{
    if (!m_running || m_firstOpen >= m_notes.size())
        return std::nullopt;
    return m_notes[m_firstOpen].time + window(RhythmGrade::Late);
}

void RhythmSession::judge(std::size_t note, RhythmGrade grade)
{
    m_notes[note].grade = grade;
    switch (grade) {
    case RhythmGrade::OnTime: ++m_figures.onTime; break;
    case RhythmGrade::Early: ++m_figures.early; break;
    case RhythmGrade::Late: ++m_figures.late; break;
    case RhythmGrade::Missed: ++m_figures.missed; break;
    case RhythmGrade::Wrong: break;
    }
    while (m_firstOpen < m_notes.size() && m_notes[m_firstOpen].grade)
        ++m_firstOpen;
}

void RhythmSession::finishIfDone()
{
    if (m_firstOpen >= m_notes.size())
        m_running = false;
}

}  // namespace kelodi
