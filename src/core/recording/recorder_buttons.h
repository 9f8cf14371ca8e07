// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string_view>

namespace kelodi {

// The buttons of the recorder's row.
enum class RecorderButton { StartRecording, EndRecording, Replay, Stop, Save, PlayFile };

// Where a button stands: its caption and its left edge in twips inside the
// bottom frame, RecorderButtonTop below the frame's top. Every button is
// RecorderButtonWidth x RecorderButtonHeight twips.
struct RecorderButtonPlace {
    RecorderButton button;
    std::string_view caption;
    int left;
};

// Left to right.
inline constexpr std::array<RecorderButtonPlace, 6> RecorderButtons = {{
    {RecorderButton::StartRecording, "录制开始(&S)", 360},
    {RecorderButton::EndRecording, "录制结束(&E)", 1860},
    {RecorderButton::Replay, "录制回放(&O)", 3420},
    {RecorderButton::Stop, "停 止(&T)", 4980},
    {RecorderButton::Save, "保存(&B)", 6600},
    {RecorderButton::PlayFile, "播放文件(&F)", 8580},
}};
inline constexpr int RecorderButtonTop = 60;
inline constexpr int RecorderButtonWidth = 1275;
inline constexpr int RecorderButtonHeight = 375;

// What the row offers. Start: nothing recorded or played yet ("录制开始(&S)"
// and "播放文件(&F)"). Recording: only "录制结束(&E)". Idle: everything but
// "录制结束(&E)" and "停 止(&T)". Playing: only "停 止(&T)".
//
// Key releases are reported to the recorder only in the Recording state: the
// others keep them from it (KeyPath::setReleasesRecorded; the Start state
// leaves them as the key path starts, reported).
enum class RecorderState { Start, Recording, Idle, Playing };

bool isEnabledIn(RecorderState state, RecorderButton button);
// A click on `button` first puts the row in this state: Recording for
// "录制开始(&S)", Playing for "录制回放(&O)", Idle for every other button.
RecorderState stateAfterClick(RecorderButton button);

}  // namespace kelodi
