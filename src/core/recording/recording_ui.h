// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "core/recording/recorder_buttons.h"

namespace kelodi {

// What the recorder and player need from the main window. The GUI implements
// it; every call is made on the window thread and must return without
// running a replay step of its own (modal dialogs are fine).
class RecordingUi {
public:
    virtual ~RecordingUi() = default;

    // Enables or disables a button of the recorder's row.
    virtual void setButtonEnabled(RecorderButton button, bool enabled) = 0;

    // The common file dialog for saving or opening a recording: title
    // RecordingDialogTitle, one filter RecordingDialogFilter, empty file name;
    // the save dialog asks before overwriting. Empty when cancelled.
    virtual std::optional<std::filesystem::path> chooseSavePath() = 0;
    virtual std::optional<std::filesystem::path> chooseOpenPath() = 0;

    // A question with Yes and No buttons, no icon, the program's title. True
    // for Yes.
    virtual bool askYesNo(std::string_view question) = 0;

    // A message with an OK button, no icon, the program's title.
    virtual void showMessage(std::string_view text) = 0;

    // The check box "重复录制回放": replay again after the end.
    virtual bool repeatChecked() const = 0;
};

}  // namespace kelodi
