#pragma once

#include <array>
#include <string>

#include "core/keyboard/controls.h"
#include "core/keyboard/instrument_names.h"

namespace kelodi {

class MidiPort;

inline constexpr int ChannelCount = 16;
// The General MIDI percussion channel (shown to the user as 10). It keeps its
// drum kit: no instrument can be chosen for it.
inline constexpr int PercussionChannel = 9;

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
    int sustain = 0;             // 1 = controller 64 on
    int mute = 0;                // 1 = keys played on this channel are silent
};

// The panel at the top of the main window: channel, controllers, sustain,
// mute, chord, octave and instrument. The controls are models (controls.h):
// the window sets their `display` callbacks and forwards clicks to
// stepUp/stepDown/setValue/select/setChecked; the panel owns their handlers.
//
// Handlers run nested whenever a value set from code changes a control, and
// the message counts follow from that: a control that already shows the
// right value sends nothing.
class InstrumentPanel {
public:
    explicit InstrumentPanel(MidiPort& port);
    InstrumentPanel(const InstrumentPanel&) = delete;
    InstrumentPanel& operator=(const InstrumentPanel&) = delete;

    Spinner vsbChannel{0, ChannelCount - 1, 0};
    Spinner vsbVolume{0, 127, 100};
    Spinner vsbPan{0, 127, 64};
    Spinner vsbReverb{0, 127, 0};
    Spinner vsbChorus{0, 127, 0};
    Spinner vsbModulation{0, 127, 0};
    Spinner vsbOctave{-3, 4, 0};
    Spinner vsbChord{0, 10, 3};
    CheckBox chkSustain;  // "长音"
    CheckBox chkMute;     // "静音"
    OptionGroup option1{1};  // 0 "单音", 1 "和弦"

    Label lblChannel{" 效果 01"};
    Label lblVolume{" 音量 100"};
    Label lblPan{" 声道 00"};
    Label lblReverb{" 混响 000"};
    Label lblChorus{" 合声 000"};
    Label lblModulation{" 颤音 000"};
    Label lblOctave{" 八度音程 0"};
    Label lblChord{" Major 7th"};
    Label lblInstrument;
    Label lblInfo{"点击选择模拟乐器"};

    // Settings of channel 0..15; throws std::out_of_range for another index.
    const ChannelSettings& channel(int c) const { return m_channels.at(static_cast<std::size_t>(c)); }

    int currentChannel() const { return m_currentChannel; }
    int chordType() const { return m_chordType; }
    int octaveOffset() const { return m_octaveOffset; }  // semitones, -36..48
    bool currentChannelMuted() const;

    // Puts channel c's settings on the device: program change, controllers
    // 7, 10, 91, 93, 1 and sustain (64), in that order. Nothing for a channel
    // outside 0..15.
    void sendChannelSettings(int channel);

    // File ▸ New: chord type 3, octave 0, every channel back to its default
    // instrument and controllers with their messages sent, channel 0 shown.
    void mnuNewClick();

    // The instrument the program starts with: "钟琴", program 9, on the
    // current channel (channel 0 right after the reset at start-up).
    void setStartupInstrument();

    // The chooser opens only on a melodic channel.
    bool canChooseInstrument() const { return m_currentChannel != PercussionChannel; }

    // After the chooser returned: sends program on the current channel and
    // makes name the channel's instrument. An empty name means the chooser
    // was cancelled or closed, and nothing changes; so does a program outside
    // 0..127 or the percussion channel.
    void applyChosenInstrument(const std::string& name, int program);

private:
    void vsbChannelChange();
    void vsbOctaveChange();
    void vsbChordChange();
    void option1Click();
    void chkSustainClick();
    void chkMuteClick();
    void showChannelSettings();

    ChannelSettings& current() { return m_channels[static_cast<std::size_t>(m_currentChannel)]; }

    MidiPort& m_port;
    std::array<ChannelSettings, ChannelCount> m_channels;
    int m_currentChannel = 0;
    int m_chordType = 3;
    int m_octaveOffset = 0;
};

}  // namespace kelodi
