// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/practice/practice_controller.h"

#include <algorithm>
#include <utility>

#include "core/practice/jianpu_layout.h"
#include "core/practice/metronome.h"
#include "core/practice/practice_texts.h"
#include "core/practice/practice_view.h"
#include "core/recording/clock.h"
#include "core/recording/playback_scheduler.h"
#include "core/recording/recording_controller.h"
#include "core/recording/tempo.h"
#include "core/text/utf8.h"

namespace kelodi {

PracticeController::PracticeController(RecordingController& controller, PracticeView& view, PlaybackScheduler& timer,
                                       const Clock& clock)
    : m_controller(controller), m_view(view), m_timer(timer), m_clock(clock)
{
}

void PracticeController::showSong(std::shared_ptr<const RecordingEvents> events)
{
    m_song = std::move(events);
    m_score = buildScore(*m_song);
    m_view.showScore(m_score);
    m_view.highlightSymbol(std::nullopt);
    m_view.clearGrades();
    m_view.showFigures(std::nullopt, PracticeSession::State::Idle);
    restartFreeMetronome();
}

// The beat the score is written in: a jianpu file's own, else the one found
// from the onsets; 0 when the song has none.
double PracticeController::scoreBeat() const
{
    const double written = scoreTiming(m_controller.songFile().report).beatSeconds;
    return written > 0 ? written : findBeat(m_score);
}

double PracticeController::songBeat() const
{
    const double beat = scoreBeat();
    return beat > 0 ? beat : DefaultBeat;
}

bool PracticeController::replayStarting(std::shared_ptr<const RecordingEvents> events, bool repeat, double now)
{
    // A repeat of a practised pass practises its song again: the events in
    // memory may hold a take recorded meanwhile.
    // A pass started from the score practises the song shown, from the
    // note clicked.
    const std::optional<Passage> passage = std::exchange(m_startingPassage, std::nullopt);
    const bool sameSong = passage || (repeat && isEnabled() && m_lastPassPractised);
    showSong(sameSong ? m_song : std::move(events));
    if (!passage)
        m_loop.reset();

    m_endOnRelease = false;
    m_passMode.reset();
    m_passFirst = passage ? passage->first : 0;
    const std::shared_ptr<const RecordingEvents> practised =
        passage ? std::make_shared<const RecordingEvents>(passageEvents(*m_song, passage->first, passage->last))
                : m_song;
    const std::optional<PracticeMode> mode = passage ? m_mode.value_or(PracticeMode::Wait) : m_mode;
    if (mode == PracticeMode::Wait && m_session.start(practised)) {
        m_passMode = PracticeMode::Wait;
        showWaitingNote();
    } else if (mode == PracticeMode::Rhythm && startRhythmPass(*practised, now)) {
        m_passMode = PracticeMode::Rhythm;
    }
    m_lastPassPractised = m_passMode.has_value();
    if (m_passMode) {
        m_takeRecorder.start();
        return true;
    }
    const std::optional<std::size_t> first = nextPress(*m_song, 0);
    m_view.markNextKey(first ? pressedKey(*m_song, *first) : -1);
    return false;
}

// The count-in is one bar of clicks; the song's first note falls on the
// first beat after it, and the metronome clicks on through the song.
bool PracticeController::startRhythmPass(const RecordingEvents& events, double now)
{
    const double scale = tempoDelayScale(m_speedPercent);
    const double beat = songBeat() * scale;
    const double firstClick = now + CountInLead;
    if (!m_rhythm.start(events, firstClick + beat * m_beatsPerBar, scale))
        return false;
    if (m_metronome)
        m_metronome->start(firstClick, beat, m_beatsPerBar);
    m_nextOnset = 0;
    m_view.markNextKey(m_rhythm.notes().front().key);
    m_view.showRhythmFigures(m_rhythm.figures(), true);
    scheduleRhythmTick();
    return true;
}

// The rhythm pass's clock: the next note's time (to highlight it) or the
// closing of the earliest window still open (to call a note missed).
void PracticeController::scheduleRhythmTick()
{
    std::optional<double> due = m_rhythm.nextDeadline();
    if (m_nextOnset < m_rhythm.notes().size()) {
        const double onset = m_rhythm.notes()[m_nextOnset].time;
        due = due ? std::min(*due, onset) : onset;
    }
    if (due)
        m_timer.callAt(*due, [this] { rhythmTick(); });
}

void PracticeController::rhythmTick()
{
    if (m_passMode != PracticeMode::Rhythm || !m_rhythm.isRunning())
        return;
    const double now = m_clock.now();
    const std::vector<RhythmSession::Note>& notes = m_rhythm.notes();
    bool moved = false;
    while (m_nextOnset < notes.size() && notes[m_nextOnset].time <= now) {
        ++m_nextOnset;
        moved = true;
    }
    if (moved) {
        m_view.highlightSymbol(m_score.noteSymbol(m_passFirst + notes[m_nextOnset - 1].event));
        m_view.markNextKey(m_nextOnset < notes.size() ? notes[m_nextOnset].key : -1);
    }
    const std::vector<std::size_t> missed = m_rhythm.pass(now);
    for (std::size_t note : missed)
        showJudged(note, RhythmGrade::Missed);
    if (!missed.empty())
        m_view.showRhythmFigures(m_rhythm.figures(), m_rhythm.isRunning());
    if (m_rhythm.isRunning()) {
        scheduleRhythmTick();
        return;
    }
    m_view.markNextKey(-1);
    m_endOnRelease = true;
    endOnceReleased();
}

void PracticeController::showJudged(std::size_t note, RhythmGrade grade)
{
    if (const std::optional<std::size_t> symbol = m_score.noteSymbol(m_passFirst + m_rhythm.notes()[note].event))
        m_view.showGrade(*symbol, grade);
}

void PracticeController::eventFired(std::size_t index)
{
    if (m_passMode)
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
    m_takeRecorder.stop();
    if (m_passEnding)
        return;
    m_loop.reset();
    // An end still to come belongs to this pass; it must not end the next.
    m_timer.cancel();
    m_endOnRelease = false;
    const std::optional<PracticeMode> stopped = m_passMode;
    m_passMode.reset();
    m_view.markNextKey(-1);
    m_view.highlightSymbol(std::nullopt);
    if (stopped == PracticeMode::Wait) {
        m_session.stop();
        m_view.showFigures(m_session.figures(), m_session.state());
    } else if (stopped == PracticeMode::Rhythm) {
        m_rhythm.stop();
        m_view.showRhythmFigures(m_rhythm.figures(), false);
        restartFreeMetronome();
    }
}

void PracticeController::recordingEnded(std::shared_ptr<const RecordingEvents> events)
{
    showSong(std::move(events));
}

void PracticeController::keyPressed(int key)
{
    if (isKeyIndex(key))
        m_held[static_cast<std::size_t>(key)] = true;
    if (!m_passMode)
        return;
    m_takeRecorder.recordPress(key);
    if (m_passMode == PracticeMode::Rhythm) {
        rhythmPressed(key);
        return;
    }
    if (!m_session.isWaiting())
        return;
    switch (m_session.keyPressed(key, m_clock.now())) {
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

void PracticeController::rhythmPressed(int key)
{
    if (!m_rhythm.isRunning())
        return;
    const std::optional<RhythmSession::Judged> judged = m_rhythm.keyPressed(key, m_clock.now());
    if (!judged)
        return;
    if (judged->note)
        showJudged(*judged->note, judged->grade);
    m_view.showRhythmFigures(m_rhythm.figures(), m_rhythm.isRunning());
    if (!m_rhythm.isRunning()) {
        m_timer.cancel();
        m_view.markNextKey(-1);
        m_endOnRelease = true;
        endOnceReleased();
    }
}

void PracticeController::keyReleased(int key)
{
    if (isKeyIndex(key))
        m_held[static_cast<std::size_t>(key)] = false;
    if (m_passMode)
        m_takeRecorder.recordRelease();
    if (m_endOnRelease)
        endOnceReleased();
}

// The stop that ends the pass releases every key, so it waits until the
// player has let go of the last note (in rhythm practice, of every key).
void PracticeController::endOnceReleased()
{
    if (m_passMode == PracticeMode::Rhythm) {
        if (std::any_of(m_held.begin(), m_held.end(), [](bool held) { return held; }))
            return;
    } else {
        for (int key : m_session.chordKeys()) {
            if (m_held[static_cast<std::size_t>(key)])
                return;
        }
    }
    m_endOnRelease = false;
    // The end must not run inside the key press or release that finished
    // the song: it returns first.
    m_timer.callAt(m_clock.now(), [this] { finishPass(); });
}

// The pass has come to its end: the row stops (releasing every key), the
// pass goes into the song's records, and then the box shows the figures
// with how this pass compares with the earlier ones.
void PracticeController::finishPass()
{
    const std::optional<PracticeMode> mode = m_passMode;
    if (!mode)
        return;
    m_passEnding = true;
    m_controller.endGuidedReplay();
    m_passEnding = false;
    m_takeRecorder.stop();
    m_passMode.reset();
    m_view.highlightSymbol(std::nullopt);

    PassRecord pass;
    pass.date = currentLocalDate();
    pass.mode = *mode;
    PassSummary summary;
    summary.title = std::string(SummaryTitle);
    if (*mode == PracticeMode::Wait) {
        pass.speedPercent = NormalTempoPercent;
        pass.accuracy = accuracyPercent(m_session.figures());
        pass.seconds = m_session.figures().seconds;
        summary.text = practiceSummaryText(m_session.figures());
    } else {
        restartFreeMetronome();
        m_view.showRhythmFigures(m_rhythm.figures(), false);
        pass.speedPercent = std::clamp(m_speedPercent, SlowestTempoPercent, FastestTempoPercent);
        pass.accuracy = rhythmAccuracyPercent(m_rhythm.figures());
        pass.seconds = m_rhythm.figures().seconds;
        summary.text = rhythmSummaryText(m_rhythm.figures());
    }
    if (m_loop) {
        // A passage in a loop goes round again; each pass shows its own
        // figures. Passes over a part of the song are not the song's records.
        m_timer.callAt(m_clock.now(), [this] { startPassage(*m_loop); });
        return;
    }
    if (m_passFirst == 0 && m_history) {
        const std::string song = songKey(*m_song);
        summary.text += "\n\n" + comparisonText(m_history->passes(song), pass);
        m_history->add(song, songName(), pass);
    }
    summary.takeKept = m_take && m_take->hasKeyPress();
    m_view.showSummary(summary, [this] { summaryClosed(); });
}

void PracticeController::summaryClosed()
{
    if (!m_controller.isPlaying())
        m_controller.repeatGuidedReplay();
}

void PracticeController::showWaitingNote()
{
    m_view.markNextKey(m_session.waitingKey().value_or(-1));
    if (const std::optional<std::size_t> event = m_session.waitingEvent())
        m_view.highlightSymbol(m_score.noteSymbol(m_passFirst + *event));
    m_view.showFigures(m_session.figures(), m_session.state());
}

// The events of the passage from press `first` to the chord that press `last`
// begins, with the releases after it; the first delay is kept short.
RecordingEvents passageEvents(const RecordingEvents& events, std::size_t first, std::optional<std::size_t> last)
{
    RecordingEvents passage;
    std::size_t end = events.size();
    if (last && *last < events.size()) {
        end = chordAt(events, *last).end;
        while (end < events.size() && events[end].pressedKey() < 0)
            ++end;
    }
    for (std::size_t i = first; i < end; ++i)
        passage.append(events[i]);
    return passage;
}

void PracticeController::noteClicked(std::size_t symbol, bool extend)
{
    if (symbol >= m_score.notes.size())
        return;
    const std::size_t event = m_score.notes[symbol].event;
    Passage passage{event, std::nullopt};
    if (extend && m_lastClicked) {
        passage.first = std::min(*m_lastClicked, event);
        passage.last = std::max(*m_lastClicked, event);
        m_loop = passage;
    } else {
        m_lastClicked = event;
        m_loop.reset();
    }
    startPassage(passage);
}

void PracticeController::startPassage(Passage passage)
{
    // The stop of a pass running ends its loop; the loop being started stays.
    const std::optional<Passage> loop = m_loop;
    if (m_controller.isPlaying())
        m_controller.click(RecorderButton::Stop);
    m_startingPassage = passage;
    m_controller.click(RecorderButton::Replay);
    m_startingPassage.reset();
    m_loop = loop;
}

std::string PracticeController::songName() const
{
    const std::filesystem::path& path = m_controller.songFile().path;
    return path.empty() ? std::string("录音") : pathToUtf8(path.stem());
}

std::vector<PassRecord> PracticeController::records() const
{
    return m_history ? m_history->passes(songKey(*m_song)) : std::vector<PassRecord>{};
}

void PracticeController::setSpeedPercent(int percent)
{
    m_speedPercent = std::clamp(percent, SlowestTempoPercent, FastestTempoPercent);
    restartFreeMetronome();
}

void PracticeController::setBeatsPerBar(int beats)
{
    m_beatsPerBar = std::clamp(beats, 1, 12);
    restartFreeMetronome();
}

void PracticeController::setMetronomeOn(bool on)
{
    m_metronomeOn = on;
    restartFreeMetronome();
}

// The metronome on its own, outside rhythm passes, when it is switched on.
void PracticeController::restartFreeMetronome()
{
    if (!m_metronome || m_passMode == PracticeMode::Rhythm)
        return;
    if (!m_metronomeOn) {
        m_metronome->stop();
        return;
    }
    const double beat = freeMetronomeBeat(scoreBeat(), m_speedPercent);
    if (m_metronome->isRunning() && m_metronome->beatSeconds() == beat)
        return;
    m_metronome->start(m_clock.now(), beat, m_beatsPerBar);
}

}  // namespace kelodi
