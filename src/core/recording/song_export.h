// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/keyboard/instrument_panel.h"
#include "core/keyboard/key_map.h"
#include "core/keyboard/key_path.h"
#include "core/keyboard/keyboard_view.h"
#include "core/recording/key_path_presser.h"
#include "core/recording/replay_transcript.h"

namespace kelodi {

class MidiDeviceList;
class MidiPort;

// Every sound Kelodi makes runs at this rate: the embedded synthesizer's live
// output and the WAV files songs are rendered into.
inline constexpr int SampleRate = 44100;

// An exported MIDI file's end-of-track comes this long after the last
// note-off, so that players let the last note ring.
inline constexpr double MidiTailSeconds = 1.0;

// What a replay away from the window plays through: a panel of its own set
// to the settings, and the key path the player presses, with no keys drawn.
// Setting the panel up sends its controllers to the port when the port is
// open; the instrument goes out with sendProgram().
class ReplayKeys {
public:
    ReplayKeys(MidiPort& port, const ReplaySettings& settings);
    ReplayKeys(const ReplayKeys&) = delete;
    ReplayKeys& operator=(const ReplayKeys&) = delete;

    // The program change of the settings' channel.
    void sendProgram();
    KeyPathPresser& presser() { return m_presser; }

private:
    class NoKeyboardView final : public KeyboardView {
    public:
        void setCaption(const std::string&) override {}
        void setKeyColour(int, std::uint32_t) override {}
        void setKeyCaption(int, const std::string&) override {}
    };

    MidiPort& m_port;
    ReplaySettings m_settings;
    InstrumentPanel m_panel;
    KeyMap m_map;
    NoKeyboardView m_view;
    KeyPath m_keyPath;
    KeyPathPresser m_presser;
};

// The song commands of the window and of the score tool share these: a song
// is exported as a replay of its events with the panel's settings sounds.

// The settings of the panel as it is now: its current channel with that
// channel's instrument, the chord type and the octave.
ReplaySettings replaySettingsOf(const InstrumentPanel& panel);

// The replay to export; nothing when no note would sound.
std::optional<ReplayTranscript> exportedReplay(const RecordingEvents& events, const ReplaySettings& settings);

// The replay as a Standard MIDI File, ending MidiTailSeconds after its last
// message.
std::string midiFileOf(const ReplayTranscript& replay);

// The SoundFont a WAV export renders with: the one the embedded synthesizer
// of `devices` plays, else the one `search` finds (empty: none).
std::string exportSoundFont(const MidiDeviceList& devices, const std::function<std::string()>& search);

}  // namespace kelodi
