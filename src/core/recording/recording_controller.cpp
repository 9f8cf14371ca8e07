// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/recording/recording_controller.h"

#include "core/recording/clock.h"
#include "core/recording/dzq_format.h"
#include "core/recording/key_presser.h"
#include "core/recording/playback_scheduler.h"
#include "core/recording/recording_ui.h"
#include "core/recording/replay_hooks.h"
#include "core/recording/tempo.h"

namespace kelodi {

std::string_view saveFailedMessage(FileWriteFailure failure)
{
    return failure == FileWriteFailure::DiskFull ? DiskFullMessage : SaveFailedMessage;
}

RecordingController::RecordingController(KeyPresser& keys, RecordingUi& ui, PlaybackScheduler& scheduler,
                                         const Clock& clock, const TextCodec& codec, const FileSaver& saver)
    : m_keys(keys),
      m_ui(ui),
      m_scheduler(scheduler),
      m_clock(clock),
      m_codec(codec),
      m_saver(saver),
      m_recorder(m_events, clock),
      m_player(keys)
{
}

void RecordingController::publishButtonStates()
{
    for (const RecorderButtonPlace& place : RecorderButtons)
        m_ui.setButtonEnabled(place.button, isEnabled(place.button));
}

void RecordingController::enterState(RecorderState state)
{
    m_state = state;
    publishButtonStates();
    m_keys.setReleasesRecorded(state == RecorderState::Recording);
}

void RecordingController::click(RecorderButton button)
{
    enterState(stateAfterClick(button));
    switch (button) {
    case RecorderButton::StartRecording: startRecording(); break;
    case RecorderButton::EndRecording: endRecording(); break;
    case RecorderButton::Replay: replayRecording(); break;
    case RecorderButton::Save: saveRecording(); break;
    case RecorderButton::PlayFile: playRecordingFile(); break;
    case RecorderButton::Stop: stopPlayback(); break;
    }
    // A recording kept running through practice shows its row again once
    // nothing plays, so it can be ended.
    if (m_recorder.isRecording() && !isPlaying())
        enterState(RecorderState::Recording);
}

void RecordingController::startRecording()
{
    m_recorder.start();
    m_songFile = {};
    enterState(RecorderState::Recording);
}

void RecordingController::endRecording()
{
    m_recorder.stop();
    if (m_hooks)
        m_hooks->recordingEnded(m_events);
}

void RecordingController::replayRecording()
{
    m_stopRequested = false;
    enterState(RecorderState::Playing);
    m_guided = m_hooks && m_hooks->replayStarting(m_events, m_repeating, m_clock.now());
    if (m_guided) {
        // Practice presses no key itself. A recording kept running takes the
        // player's own presses and releases, as any recording does.
        if (m_recorder.isRecording())
            m_keys.setReleasesRecorded(true);
        return;
    }
    // A replay ends a running recording: its own key presses must not be
    // recorded.
    m_recorder.stop();
    m_player.start(m_events, m_clock.now());
    if (m_player.atEnd()) {
        endOfPass();
        return;
    }
    scheduleNextEvent();
}

void RecordingController::scheduleNextEvent()
{
    const std::optional<double> due = m_player.nextDueTime();
    if (!due)
        return;
    m_scheduler.callAt(*due, [this] { onEventDue(); });
}

void RecordingController::onEventDue()
{
    if (!m_player.isPlaying())
        return;
    const bool fired = m_player.fireDue(m_clock.now());
    // The key path may have stopped the replay (through the stop button or
    // shutdown) while the event's key was being pressed.
    if (!m_player.isPlaying())
        return;
    if (fired && m_hooks)
        m_hooks->eventFired(m_player.position() - 1);
    if (m_player.atEnd()) {
        endOfPass();
        return;
    }
    scheduleNextEvent();
}

void RecordingController::endOfPass()
{
    click(RecorderButton::Stop);
    // Repeating a replay that has no events would restart at once, forever;
    // it ends like a single replay instead.
    if (m_ui.repeatChecked() && !m_events->empty()) {
        m_repeating = true;
        click(RecorderButton::Replay);
        m_repeating = false;
    }
}

void RecordingController::endGuidedReplay()
{
    if (m_guided)
        click(RecorderButton::Stop);
}

bool RecordingController::repeatGuidedReplay()
{
    if (isPlaying() || !m_ui.repeatChecked() || m_events->empty())
        return false;
    m_repeating = true;
    click(RecorderButton::Replay);
    m_repeating = false;
    return true;
}

bool RecordingController::saveEvents(const std::filesystem::path& path, const RecordingEvents& events)
{
    FileWriteFailure failure = FileWriteFailure::None;
    if (writeRecordingFile(path, events, m_codec, m_saver, nullptr, &failure))
        return true;
    m_ui.showMessage(saveFailedMessage(failure));
    return false;
}

void RecordingController::setTempoPercent(int percent)
{
    m_player.setDelayScale(tempoDelayScale(percent));
    // The event awaited now is due at its new time.
    if (m_player.isPlaying())
        scheduleNextEvent();
}

void RecordingController::stopPlayback()
{
    m_stopRequested = true;
    m_player.stop();
    m_guided = false;
    m_scheduler.cancel();
    Player::releaseAllKeys(m_keys);
    enterState(RecorderState::Idle);
    if (m_hooks)
        m_hooks->replayStopped();
}

void RecordingController::saveRecording()
{
    const std::optional<std::filesystem::path> path = m_ui.chooseSavePath();
    if (!path || path->empty())
        return;
    std::error_code ec;
    if (std::filesystem::is_regular_file(*path, ec) && !m_ui.askYesNo(OverwriteQuestion))
        return;
    // A failed save must not look like a saved one: the user would leave
    // believing the performance is on disk.
    FileWriteFailure failure = FileWriteFailure::None;
    if (!writeRecordingFile(*path, *m_events, m_codec, m_saver, nullptr, &failure))
        m_ui.showMessage(saveFailedMessage(failure));
}

void RecordingController::playRecordingFile()
{
    // The row now shows the idle state; a recording still running (the list
    // can be used while recording) ends, so no key press is recorded behind
    // buttons that offer no way to end it. Practice keeps it: the player
    // practises into it on purpose, and its row comes back afterwards.
    if (!m_hooks || !m_hooks->takesReplays())
        m_recorder.stop();
    // Loading replaces the events a running replay plays; that replay ends
    // first, with its keys released.
    if (isPlaying())
        click(RecorderButton::Stop);

    m_playFileOutcome = PlayFileOutcome::Cancelled;
    std::filesystem::path path = m_pendingRecordingPath;
    if (path.empty()) {
        const std::optional<std::filesystem::path> chosen = m_ui.chooseOpenPath();
        if (!chosen || chosen->empty())
            return;
        path = *chosen;
    }
    // A file that is there but cannot be used says so; saying it is missing
    // (or nothing at all) would leave the user looking in the wrong place.
    FileReadFailure failure = FileReadFailure::None;
    std::optional<RecordingFile> file = readRecordingFile(path, m_codec, nullptr, &failure);
    if (!file) {
        switch (failure) {
        case FileReadFailure::Missing:
            m_playFileOutcome = PlayFileOutcome::Missing;
            m_ui.showMessage(FileMissingMessage);
            break;
        case FileReadFailure::TooLarge:
            m_playFileOutcome = PlayFileOutcome::TooLarge;
            m_ui.showMessage(FileTooLargeMessage);
            break;
        default:
            m_playFileOutcome = PlayFileOutcome::Unreadable;
            m_ui.showMessage(FileUnreadableMessage);
            break;
        }
        return;
    }
    // Playing the previous events instead would pass off a failure as
    // success; the events in memory stay for "录制回放(&O)".
    if (!file->events.hasKeyPress()) {
        m_playFileOutcome = PlayFileOutcome::NothingToPlay;
        m_ui.showMessage(NothingToPlayMessage);
        return;
    }
    m_events = std::make_shared<RecordingEvents>(std::move(file->events));
    m_songFile = {path, std::move(file->report), std::move(file->info)};
    m_playFileOutcome = PlayFileOutcome::Played;
    click(RecorderButton::Replay);
}

PlayFileOutcome RecordingController::playListedRecording(const std::filesystem::path& path)
{
    m_pendingRecordingPath = path;
    click(RecorderButton::PlayFile);
    m_pendingRecordingPath.clear();
    return m_playFileOutcome;
}

}  // namespace kelodi
