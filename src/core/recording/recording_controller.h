// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <filesystem>
#include <memory>
#include <string_view>

#include "core/keyboard/key_path.h"
#include "core/recording/dzq_format.h"
#include "core/recording/file_io.h"
#include "core/recording/player.h"
#include "core/recording/recorder.h"
#include "core/recording/recorder_buttons.h"
#include "core/recording/recording_events.h"

namespace kelodi {

class Clock;
class KeyPresser;
class PlaybackScheduler;
class RecordingUi;
class ReplayHooks;
class TextCodec;

inline constexpr std::string_view RepeatCaption = "重复录制回放";
inline constexpr std::string_view RecordingDialogTitle = "录制文件";
// The dialog's one filter, description and pattern.
inline constexpr std::string_view RecordingDialogFilter = "录制文件(*.dzq)";
inline constexpr std::string_view RecordingDialogPattern = "*.dzq";
inline constexpr std::string_view OverwriteQuestion = "文件已经存在，需要覆盖吗?";
inline constexpr std::string_view FileMissingMessage = "播放的文件不存在！";
inline constexpr std::string_view FileTooLargeMessage = "文件太大，无法播放！";
inline constexpr std::string_view FileUnreadableMessage = "文件无法读取！";
inline constexpr std::string_view NothingToPlayMessage = "文件中没有可播放的音符！";
inline constexpr std::string_view SaveFailedMessage = "文件保存失败！";
inline constexpr std::string_view DiskFullMessage = "磁盘空间不足，文件保存失败！";

// What a failed save tells the user: the disk that is full, or the failure.
std::string_view saveFailedMessage(FileWriteFailure failure);

// The file the events in memory were read from, and what its reader found
// (its dialect and timing); an empty path for a take recorded on the keys.
struct SongFile {
    std::filesystem::path path;
    RecordingFileReport report;
    SongInfo info;  // its line "曲谱信息:..." (an imported song's time signature and original key)
};

// How "播放文件(&F)" ended.
enum class PlayFileOutcome {
    Played,         // the file's events are in memory and playing
    Cancelled,      // the dialog was cancelled
    Missing,        // nothing at the path ("播放的文件不存在！")
    TooLarge,       // refused unread ("文件太大，无法播放！")
    Unreadable,     // there, but no file that can be read ("文件无法读取！")
    NothingToPlay,  // read, but no key in it ("文件中没有可播放的音符！")
};

// The recorder and the player behind the button row: recording, replaying
// (once or repeated), stopping, saving and playing files, with the buttons'
// enabled states. Owns the events in memory (RecordingEvents).
//
// A replay never blocks: each event is fired from a PlaybackScheduler
// callback, so the window keeps handling input between events and one replay
// never runs inside another. Everything runs on the window thread.
class RecordingController : public KeyRecorderHook {
public:
    // Recordings are saved through `saver`.
    RecordingController(KeyPresser& keys, RecordingUi& ui, PlaybackScheduler& scheduler, const Clock& clock,
                        const TextCodec& codec, const FileSaver& saver);
    RecordingController(const RecordingController&) = delete;
    RecordingController& operator=(const RecordingController&) = delete;

    // Sends every button's current enabled state to the UI (for the window's
    // set-up; the start state has "录制开始(&S)" and "播放文件(&F)" enabled).
    void publishButtonStates();

    // A click on a button of the row: the row takes the state the click leads
    // to (stateAfterClick), then the button's operation runs. Clicks made by
    // code run whatever the button's enabled state.
    void click(RecorderButton button);

    // The key path reports each press and release here
    // (KeyPath::setRecorder(&controller)); only a running recording keeps it.
    void recordPress(int key) override { m_recorder.recordPress(key); }
    void recordRelease() override { m_recorder.recordRelease(); }
    unsigned recordingTake() const override { return m_recorder.take(); }

    // Plays a recording chosen in the recordings list: "播放文件(&F)" is
    // clicked with the path handed over, so it skips its dialog. A replay
    // still running is stopped first (all keys released). Returns when the new
    // replay has started (or the file was refused), with how it went; a file
    // too large or unreadable leaves the events in memory as they were.
    PlayFileOutcome playListedRecording(const std::filesystem::path& path);

    // Shutdown's first step: the stop button, which ends a replay and releases
    // every key.
    void shutdown() { click(RecorderButton::Stop); }

    // Who follows the replays and may take them over (the practice). Not
    // owned; nullptr (the default) for none.
    void setReplayHooks(ReplayHooks* hooks) { m_hooks = hooks; }

    // The hooks ran a pass to its end: the stop button. Does nothing unless
    // the hooks run the replay.
    void endGuidedReplay();
    // After a pass the hooks ran has ended (and its box was closed): the
    // replay starts again, as a repeat, when the repeat box is ticked and
    // nothing plays. True when it did.
    bool repeatGuidedReplay();

    // Writes `events` to `path` as the save button does, saying what failed;
    // false then.
    bool saveEvents(const std::filesystem::path& path, const RecordingEvents& events);

    // Tempo of ordinary replays in percent (25..200, clamped), from the event
    // now awaited on.
    void setTempoPercent(int percent);

    bool isEnabled(RecorderButton button) const { return isEnabledIn(m_state, button); }
    RecorderState state() const { return m_state; }
    bool isRecording() const { return m_recorder.isRecording(); }
    // A replay runs, by the player or taken over by the hooks.
    bool isPlaying() const { return m_player.isPlaying() || m_guided; }
    // A stop was requested and no replay started since.
    bool stopRequested() const { return m_stopRequested; }

    const RecordingEvents& events() const { return *m_events; }
    // Where the events in memory came from (the score shows its name and
    // writes it in its beats).
    const SongFile& songFile() const { return m_songFile; }
    // Replaces the events in memory (what a loaded file does), with the file
    // they came from (an imported song: the file it was read from, with its
    // song information). A replay still running keeps the events it was
    // started with.
    void setEvents(RecordingEvents events, SongFile file = {})
    {
        m_events = std::make_shared<RecordingEvents>(std::move(events));
        m_songFile = std::move(file);
    }

private:
    void enterState(RecorderState state);
    void startRecording();
    void endRecording();
    void replayRecording();
    void stopPlayback();
    void saveRecording();
    void playRecordingFile();
    void scheduleNextEvent();
    void onEventDue();
    void endOfPass();

    KeyPresser& m_keys;
    RecordingUi& m_ui;
    PlaybackScheduler& m_scheduler;
    const Clock& m_clock;
    const TextCodec& m_codec;
    const FileSaver& m_saver;
    // Shared with a running replay, never copied for it: a list once handed
    // to the player is only ever replaced, not changed.
    std::shared_ptr<RecordingEvents> m_events = std::make_shared<RecordingEvents>();
    SongFile m_songFile;
    Recorder m_recorder;
    Player m_player;
    RecorderState m_state = RecorderState::Start;
    bool m_stopRequested = false;
    std::filesystem::path m_pendingRecordingPath;
    ReplayHooks* m_hooks = nullptr;
    bool m_guided = false;     // the hooks run the replay
    bool m_repeating = false;  // the replay starting repeats the one that ended
    PlayFileOutcome m_playFileOutcome = PlayFileOutcome::Cancelled;
};

}  // namespace kelodi
