// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/practice/practice_controller.h"

#include "core/practice/practice_view.h"
#include "core/recording/clock.h"
#include "core/recording/playback_scheduler.h"
#include "core/recording/recording_controller.h"

namespace kelodi {

PracticeController::PracticeController(RecordingController& controller, PracticeView& view,
                                       PlaybackScheduler& deferral, const Clock& clock)
    : m_controller(controller), m_view(view), m_deferral(deferral), m_clock(clock)
{
}

void PracticeController::showSong(std::shared_ptr<const RecordingEvents> events)
{
    m_song = std::move(events);
    m_score = buildScore(*m_song);
    m_view.showScore(m_score);
    m_view.highlightSymbol(std::nullopt);
    m_view.showFigures(std::nullopt, PracticeSession::State::Idle);
}

bool PracticeController::replayStarting(std::shared_ptr<const RecordingEvents> events, bool repeat, double /*now*/)
{
    // A repeat of a practised pass practises its song again: the events in
    // memory may hold a take recorded meanwhile.
    const bool sameSong = repeat && m_enabled && m_lastPassPractised;
    showSong(sameSong ? m_song : std::move(events));

    m_endOnRelease = false;
    m_lastPassPractised = m_enabled && m_session.start(m_song);
    if (m_lastPassPractised) {
        showWaitingNote();
        return true;
    }
    const std::optional<std::size_t> first = nextPress(*m_song, 0);
    m_view.markNextKey(first ? pressedKey(*m_song, *first) : -1);
    return false;
}

void PracticeController::eventFired(std::size_t index)
{
    if (m_session.isWaiting())
        return;
    // A release leaves the note it ends highlighted until the next one; a
    // press past the end of a cut score leaves none.
    if (pressedKey(*m_song, index) >= 0)
        m_view.highlightSymbol(m_score.noteSymbol(index));
    const std::optional<std::size_t> next = nextPress(*m_song, index + 1);
    m_view.markNextKey(next ? pressedKey(*m_song, *next) : -1);
}

void PracticeController::replayStopped()
{
    // An end still to come belongs to this pass; it must not end the next.
    m_deferral.cancel();
    m_endOnRelease = false;
    const bool practising = m_session.isWaiting();
    m_session.stop();
    m_view.markNextKey(-1);
    m_view.highlightSymbol(std::nullopt);
    if (practising)
        m_view.showFigures(m_session.figures(), m_session.state());
}

void PracticeController::guidedPassEnded()
{
    if (m_session.state() == PracticeSession::State::Finished)
        m_view.showSummary(m_session.figures());
}

void PracticeController::recordingEnded(std::shared_ptr<const RecordingEvents> events)
{
    showSong(std::move(events));
}

void PracticeController::keyPressed(int key)
{
    if (isKeyIndex(key))
        m_held[static_cast<std::size_t>(key)] = true;
    if (!m_session.isWaiting())
        return;
    const double now = m_clock.now();
    switch (m_session.keyPressed(key, now)) {
    case PracticeSession::Press::Ignored:
        return;
    case PracticeSession::Press::Miss:
        m_view.showFigures(m_session.figures(), m_session.state());
        return;
    case PracticeSession::Press::Hit:
        break;
    }
    if (m_session.isWaiting()) {
        showWaitingNote();
        return;
    }
    m_view.markNextKey(-1);
    m_view.showFigures(m_session.figures(), m_session.state());
    m_endOnRelease = true;
    endOnceReleased();
}

void PracticeController::keyReleased(int key)
{
    if (isKeyIndex(key))
        m_held[static_cast<std::size_t>(key)] = false;
    if (m_endOnRelease)
        endOnceReleased();
}

// The stop that ends the pass releases every key, so it waits until the
// player has let go of the last note.
void PracticeController::endOnceReleased()
{
    for (int key : m_session.chordKeys()) {
        if (m_held[static_cast<std::size_t>(key)])
            return;
    }
    m_endOnRelease = false;
    // The box and a repeat must not run inside the key press or release that
    // finished the song: it returns first.
    m_deferral.callAt(m_clock.now(), [this] { m_controller.endGuidedReplay(); });
}

void PracticeController::showWaitingNote()
{
    m_view.markNextKey(m_session.waitingKey().value_or(-1));
    if (const std::optional<std::size_t> event = m_session.waitingEvent())
        m_view.highlightSymbol(m_score.noteSymbol(*event));
    m_view.showFigures(m_session.figures(), m_session.state());
}

}  // namespace kelodi
