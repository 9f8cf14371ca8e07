// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/recording/recorder_buttons.h"

namespace kelodi {

bool isEnabledIn(RecorderState state, RecorderButton button)
{
    switch (state) {
    case RecorderState::Start:
        return button == RecorderButton::StartRecording || button == RecorderButton::PlayFile;
    case RecorderState::Recording:
        return button == RecorderButton::EndRecording;
    case RecorderState::Idle:
        return button != RecorderButton::EndRecording && button != RecorderButton::Stop;
    case RecorderState::Playing:
        return button == RecorderButton::Stop;
    }
    return false;
}

RecorderState stateAfterClick(RecorderButton button)
{
    switch (button) {
    case RecorderButton::StartRecording: return RecorderState::Recording;
    case RecorderButton::Replay: return RecorderState::Playing;
    default: return RecorderState::Idle;
    }
}

}  // namespace kelodi
