// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/fakes/recording_midi.h"
#include "core/keyboard/computer_keyboard.h"
#include "core/keyboard/instrument_panel.h"
#include "core/keyboard/key_map.h"
#include "core/keyboard/key_path.h"
#include "core/keyboard/keyboard_view.h"
#include "core/recording/recording_events.h"

namespace kelodi::test {

// A window that remembers its caption and the current colour and caption of
// every key it was told about.
class FakeKeyboardView : public KeyboardView {
public:
    void setCaption(const std::string& text) override { caption = text; }
    void setKeyColour(int key, std::uint32_t colour) override { colours[key] = colour; }
    void setKeyCaption(int key, const std::string& text) override { captions[key] = text; }

    std::string caption = "untouched";
    std::map<int, std::uint32_t> colours;
    std::map<int, std::string> captions;
};

// A journal of what the key path reports: the key of each press,
// ReleaseMarker for each release.
class FakeRecorder : public KeyRecorderHook {
public:
    void recordPress(int key) override { events.push_back(key); }
    void recordRelease() override { events.push_back(ReleaseMarker); }
    unsigned recordingTake() const override { return take; }
    std::vector<int> events;
    unsigned take = 0;  // the take recordingTake() reports
};

// The keyboard as the main window assembles it, on a recording port, with
// the start-up reset already run and the journal cleared.
struct KeyboardRig {
    RecordingPort midi;
    KeyMap map;
    InstrumentPanel panel{midi.port};
    FakeKeyboardView view;
    FakeRecorder recorder;
    KeyPath keys{midi.port, panel, view, map};
    ComputerKeyboard computer{keys, map};

    KeyboardRig()
    {
        panel.resetToDefaults();
        panel.setStartupInstrument();
        keys.setRecorder(&recorder);
        midi.messages().clear();
    }
    std::vector<ShortMessage>& messages() { return midi.messages(); }
    void press(int key) { keys.press(key, 1); }
    void release(int key) { keys.release(key, 1); }
};

}  // namespace kelodi::test
