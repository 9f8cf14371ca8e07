#include "core/keyboard/instrument_panel.h"

#include <cstdlib>

#include "core/keyboard/chord_table.h"
#include "core/midi/midi_port.h"

namespace kelodi {

namespace {

// What File ▸ New gives each channel. Channel 1 plays program 1, the program
// its name belongs to, so that label and sound agree. Channels 3, 6 and 9
// carry names that are not in the instrument list.
struct ResetInstrument {
    const char* name;
    int program;
};
constexpr std::array<ResetInstrument, ChannelCount> ResetInstruments = {{
    {"大钢琴", 0},
    {"明亮的钢琴", 1},
    {"尼龙弦吉他", 24},
    {"电贝司", 34},
    {"弦乐合奏音色1", 48},
    {"合成弦乐合奏音色1", 50},
    {"合成唱音", 52},
    {"铜管组", 61},
    {"合成主音1", 80},
    {"打击", 0},
    {"合成主音6", 85},
    {"合成音色2", 89},
    {"合成音色4", 91},
    {"合成效果2", 97},
    {"合成效果6", 101},
    {"合成效果7", 102},
}};

constexpr const char* StartupInstrumentName = "钟琴";
constexpr int StartupProgram = 9;
// The two option buttons: "单音" and "和弦".
constexpr int ChordModeSingle = 0;
constexpr int ChordModeChord = 1;
constexpr int DefaultChordType = 3;

// Decimal with leading zeros up to width; a negative number gets its minus
// sign in front of the padded digits ("-05", "-64").
std::string padded(int value, int width)
{
    std::string digits = std::to_string(std::abs(value));
    if (static_cast<int>(digits.size()) < width)
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    return value < 0 ? "-" + digits : digits;
}

}  // namespace

InstrumentPanel::InstrumentPanel(MidiPort& port) : m_port(port)
{
    for (std::size_t c = 0; c < m_channels.size(); ++c) {
        m_channels[c].instrumentName = ResetInstruments[c].name;
        m_channels[c].program = ResetInstruments[c].program;
    }

    // The five controller spinners differ only in field, controller number
    // and label; pan shows its value relative to the centre.
    struct ControllerSpinner {
        Spinner& spinner;
        int ChannelSettings::*field;
        int controller;
        Label& label;
        const char* prefix;
        int shownOffset;
        int width;
    };
    const ControllerSpinner spinners[] = {
        {vsbVolume, &ChannelSettings::volume, Controller::Volume, lblVolume, " 音量 ", 0, 3},
        {vsbPan, &ChannelSettings::pan, Controller::Pan, lblPan, " 声道 ", -64, 2},
        {vsbReverb, &ChannelSettings::reverb, Controller::Reverb, lblReverb, " 混响 ", 0, 3},
        {vsbChorus, &ChannelSettings::chorus, Controller::Chorus, lblChorus, " 合声 ", 0, 3},
        {vsbModulation, &ChannelSettings::modulation, Controller::Modulation, lblModulation, " 颤音 ", 0, 3},
    };
    for (const ControllerSpinner& s : spinners) {
        s.spinner.handler = [this, s] {
            const int v = s.spinner.value();
            current().*s.field = v;
            s.label.setCaption(s.prefix + padded(v + s.shownOffset, s.width));
            m_port.sendControlChange(m_currentChannel, s.controller, v);
        };
    }

    vsbChannel.handler = [this] { vsbChannelChange(); };
    vsbOctave.handler = [this] { vsbOctaveChange(); };
    vsbChord.handler = [this] { vsbChordChange(); };
    option1.handler = [this](int) { option1Click(); };
    chkSustain.handler = [this] { chkSustainClick(); };
    chkMute.handler = [this] { chkMuteClick(); };
}

bool InstrumentPanel::currentChannelMuted() const
{
    return m_channels[static_cast<std::size_t>(m_currentChannel)].mute != 0;
}

void InstrumentPanel::vsbChannelChange()
{
    m_currentChannel = vsbChannel.value();
    lblChannel.setCaption(" 效果 " + padded(m_currentChannel + 1, 2));
    lblInfo.setVisible(m_currentChannel != PercussionChannel);
    showChannelSettings();
}

// Each assignment runs its control's handler only when the shown value
// differs, so a switch sends exactly the controllers in which the two
// channels differ, on the new channel.
void InstrumentPanel::showChannelSettings()
{
    const ChannelSettings s = current();
    lblInstrument.setCaption(s.instrumentName);
    vsbVolume.setValue(s.volume);
    vsbPan.setValue(s.pan);
    vsbReverb.setValue(s.reverb);
    vsbChorus.setValue(s.chorus);
    vsbModulation.setValue(s.modulation);
    chkSustain.setChecked(s.sustain == 1);
    chkMute.setChecked(s.mute == 1);
}

void InstrumentPanel::vsbOctaveChange()
{
    m_octaveOffset = vsbOctave.value() * 12;
    lblOctave.setCaption(" 八度音程 " + std::to_string(m_octaveOffset / 12));
}

void InstrumentPanel::vsbChordChange()
{
    m_chordType = vsbChord.value();
    lblChord.setCaption(std::string(chordName(m_chordType)));
    option1.select(m_chordType == 0 ? ChordModeSingle : ChordModeChord);
}

// Choosing "和弦" always lands on the default chord. Stepping the chord
// spinner up from 0 passes through here as well (the step selects "和弦"),
// which is why types 1 and 2 are reached only by stepping down. The explicit
// re-run keeps label and option in step when the value did not change.
void InstrumentPanel::option1Click()
{
    vsbChord.setValue(option1.isSelected(ChordModeSingle) ? 0 : DefaultChordType);
    vsbChordChange();
}

void InstrumentPanel::chkSustainClick()
{
    // A greyed box (value 2) is neither state: nothing changes.
    if (chkSustain.value() == 0) {
        current().sustain = 0;
        m_port.sendControlChange(m_currentChannel, Controller::Sustain, 0);
    } else if (chkSustain.value() == 1) {
        current().sustain = 1;
        m_port.sendControlChange(m_currentChannel, Controller::Sustain, 127);
    }
}

// Muting only silences what is played from now on; the key path reads it.
void InstrumentPanel::chkMuteClick()
{
    if (chkMute.value() == 0)
        current().mute = 0;
    else if (chkMute.value() == 1)
        current().mute = 1;
}

void InstrumentPanel::sendChannelSettings(int channel)
{
    if (channel < 0 || channel >= ChannelCount)
        return;
    const ChannelSettings& s = m_channels[static_cast<std::size_t>(channel)];
    m_port.sendProgramChange(channel, s.program);
    m_port.sendControlChange(channel, Controller::Volume, s.volume);
    m_port.sendControlChange(channel, Controller::Pan, s.pan);
    m_port.sendControlChange(channel, Controller::Reverb, s.reverb);
    m_port.sendControlChange(channel, Controller::Chorus, s.chorus);
    m_port.sendControlChange(channel, Controller::Modulation, s.modulation);
    m_port.sendControlChange(channel, Controller::Sustain, s.sustain == 1 ? 127 : 0);
}

void InstrumentPanel::mnuNewClick()
{
    vsbChord.setValue(DefaultChordType);
    vsbOctave.setValue(0);

    for (std::size_t c = 0; c < m_channels.size(); ++c) {
        m_channels[c].instrumentName = ResetInstruments[c].name;
        m_channels[c].program = ResetInstruments[c].program;
    }
    for (int c = 0; c < ChannelCount; ++c) {
        ChannelSettings& s = m_channels[static_cast<std::size_t>(c)];
        s.volume = 100;
        s.pan = 64;
        s.reverb = 0;
        s.chorus = 0;
        s.modulation = 0;
        s.sustain = 0;
        s.mute = 0;
        sendChannelSettings(c);
    }

    vsbChannel.setValue(0);
    // Also when the channel did not change: the controls may still show the
    // values from before the reset.
    showChannelSettings();
}

void InstrumentPanel::setStartupInstrument()
{
    m_port.sendProgramChange(m_currentChannel, StartupProgram);
    current().program = StartupProgram;
    current().instrumentName = StartupInstrumentName;
    lblInstrument.setCaption(StartupInstrumentName);
}

void InstrumentPanel::applyChosenInstrument(const std::string& name, int program)
{
    if (name.empty() || program < 0 || program >= InstrumentCount || !canChooseInstrument())
        return;
    m_port.sendProgramChange(m_currentChannel, program);
    current().program = program;
    current().instrumentName = name;
    lblInstrument.setCaption(name);
}

}  // namespace kelodi
