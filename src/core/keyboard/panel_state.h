// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "core/midi/short_message.h"

namespace kelodi {

// The General MIDI percussion channel (shown to the user as 10). It keeps its
// drum kit: no instrument can be chosen for it.
inline constexpr int PercussionChannel = 9;
// " Major 7th": the chord at start, after File ▸ New, and whenever the
// keyboard leaves single notes for chords.
inline constexpr int DefaultChordType = 3;
inline constexpr int LowestOctave = -3;
inline constexpr int HighestOctave = 4;

// What one MIDI channel remembers while another channel is being edited.
// Defaults are the values a reset gives.
struct ChannelSettings {
    std::string instrumentName;  // shown in the instrument label
    int program = 0;             // 0..127
    int volume = 100;            // controller 7
    int pan = 64;                // controller 10, 64 = centre
    int reverb = 0;              // controller 91
    int chorus = 0;              // controller 93
    int modulation = 0;          // controller 1
    bool sustain = false;        // controller 64 on
    bool mute = false;           // keys played on this channel are silent

    bool operator==(const ChannelSettings&) const = default;
};

// The five controllers a channel keeps, in the order its settings are sent.
enum class ChannelControl { Volume, Pan, Reverb, Chorus, Modulation };
inline constexpr ChannelControl ChannelControls[] = {ChannelControl::Volume, ChannelControl::Pan,
                                                     ChannelControl::Reverb, ChannelControl::Chorus,
                                                     ChannelControl::Modulation};

// The controller number (7, 10, 91, 93, 1) and the field of a control.
int controllerNumber(ChannelControl control);
int controlValue(const ChannelSettings& settings, ChannelControl control);
int& controlValue(ChannelSettings& settings, ChannelControl control);

// The panel's two-arrow settings, each with a value label beside it.
enum class PanelSpinner { Channel, Volume, Pan, Reverb, Chorus, Modulation, Octave, Chord };
inline constexpr int PanelSpinnerCount = 8;

struct SpinnerRange {
    int minimum;
    int maximum;
};
SpinnerRange spinnerRange(PanelSpinner spinner);

// What the panel shows: the current channel with its settings, the chord type
// and the octave. Every label text, tick and selection of the panel follows
// from it; a view draws it and nothing else.
struct PanelState {
    int channel = 0;            // 0..15
    ChannelSettings settings;   // those of `channel`
    int chordType = DefaultChordType;  // 0..10, 0 = single notes
    int octave = 0;             // LowestOctave..HighestOctave

    // The spinner's value, and the text of the label beside it: " 效果 01",
    // " 音量 100", " 声道 -05", " 八度音程 -3", " Major 7th".
    int value(PanelSpinner spinner) const;
    std::string caption(PanelSpinner spinner) const;

    // "单音" is selected for single notes, "和弦" for every chord.
    bool singleNote() const { return chordType == 0; }
    // The hint "点击选择模拟乐器" is hidden where no instrument can be chosen.
    bool instrumentHintShown() const { return channel != PercussionChannel; }

    bool operator==(const PanelState&) const = default;
};

}  // namespace kelodi
