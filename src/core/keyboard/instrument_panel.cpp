// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/keyboard/instrument_panel.h"

#include <algorithm>

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
constexpr int SustainOn = 127;

ChannelSettings resetSettings(std::size_t channel)
{
    ChannelSettings settings;
    settings.instrumentName = ResetInstruments[channel].name;
    settings.program = ResetInstruments[channel].program;
    return settings;
}

int clampTo(PanelSpinner spinner, int value)
{
    const SpinnerRange range = spinnerRange(spinner);
    return std::clamp(value, range.minimum, range.maximum);
}

}  // namespace

InstrumentPanel::InstrumentPanel(MidiPort& port) : m_port(port)
{
    for (std::size_t c = 0; c < m_channels.size(); ++c)
        m_channels[c] = resetSettings(c);
    publishLiveTarget();
}

void InstrumentPanel::setView(PanelView* view)
{
    m_view = view;
    showState();
}

PanelState InstrumentPanel::state() const
{
    return PanelState{m_currentChannel, current(), m_chordType, m_octave};
}

void InstrumentPanel::showState()
{
    publishLiveTarget();
    if (m_view)
        m_view->showPanel(state());
}

// Bits 0..3 the channel, bit 4 its mute, bits 8.. the octave offset plus 64.
void InstrumentPanel::publishLiveTarget()
{
    const auto packed = static_cast<std::uint32_t>(m_currentChannel) | (current().mute ? 0x10u : 0u)
                        | (static_cast<std::uint32_t>(octaveOffset() + 64) << 8);
    m_liveTarget.store(packed, std::memory_order_release);
}

LiveTarget InstrumentPanel::liveTarget() const
{
    const std::uint32_t packed = m_liveTarget.load(std::memory_order_acquire);
    return LiveTarget{static_cast<int>(packed & 0x0Fu), (packed & 0x10u) != 0, static_cast<int>(packed >> 8) - 64};
}

void InstrumentPanel::step(PanelSpinner spinner, int steps)
{
    const int target = state().value(spinner) + steps;
    switch (spinner) {
    case PanelSpinner::Channel: selectChannel(target); break;
    case PanelSpinner::Volume: setController(ChannelControl::Volume, target); break;
    case PanelSpinner::Pan: setController(ChannelControl::Pan, target); break;
    case PanelSpinner::Reverb: setController(ChannelControl::Reverb, target); break;
    case PanelSpinner::Chorus: setController(ChannelControl::Chorus, target); break;
    case PanelSpinner::Modulation: setController(ChannelControl::Modulation, target); break;
    case PanelSpinner::Octave: setOctave(target); break;
    case PanelSpinner::Chord: stepChord(steps); break;
    }
}

void InstrumentPanel::selectChannel(int channel)
{
    channel = clampTo(PanelSpinner::Channel, channel);
    if (channel == m_currentChannel)
        return;
    const ChannelSettings shown = current();
    m_currentChannel = channel;
    sendDifferences(shown, current());
    showState();
}

// The controls move from `shown` to `next`; each one that changes puts its
// new value on the current channel, in the order of a channel's settings.
// Mute is the keyboard's own business and sends nothing.
void InstrumentPanel::sendDifferences(const ChannelSettings& shown, const ChannelSettings& next)
{
    for (ChannelControl control : ChannelControls) {
        const int value = controlValue(next, control);
        if (value != controlValue(shown, control))
            m_port.sendControlChange(m_currentChannel, controllerNumber(control), value);
    }
    if (next.sustain != shown.sustain)
        m_port.sendControlChange(m_currentChannel, Controller::Sustain, next.sustain ? SustainOn : 0);
}

void InstrumentPanel::setController(ChannelControl control, int value)
{
    value = std::clamp(value, 0, 127);
    int& stored = controlValue(current(), control);
    if (value == stored)
        return;
    stored = value;
    m_port.sendControlChange(m_currentChannel, controllerNumber(control), value);
    showState();
}

void InstrumentPanel::setSustain(bool on)
{
    if (on == current().sustain)
        return;
    current().sustain = on;
    m_port.sendControlChange(m_currentChannel, Controller::Sustain, on ? SustainOn : 0);
    showState();
}

void InstrumentPanel::setMute(bool on)
{
    if (on == current().mute)
        return;
    current().mute = on;
    showState();
}

void InstrumentPanel::setOctave(int octave)
{
    octave = clampTo(PanelSpinner::Octave, octave);
    if (octave == m_octave)
        return;
    m_octave = octave;
    showState();
}

void InstrumentPanel::stepChord(int steps)
{
    const int target = clampTo(PanelSpinner::Chord, m_chordType + steps);
    if (target == m_chordType)
        return;
    m_chordType = m_chordType == 0 ? DefaultChordType : target;
    showState();
}

void InstrumentPanel::setChordType(int type)
{
    type = clampTo(PanelSpinner::Chord, type);
    if (type == m_chordType)
        return;
    m_chordType = type;
    showState();
}

void InstrumentPanel::chooseSingleNote()
{
    if (m_chordType == 0)
        return;
    m_chordType = 0;
    showState();
}

void InstrumentPanel::chooseChord()
{
    if (m_chordType != 0)
        return;
    m_chordType = DefaultChordType;
    showState();
}

void InstrumentPanel::sendChannelSettings(int channel)
{
    if (channel < 0 || channel >= ChannelCount)
        return;
    const ChannelSettings& s = m_channels[static_cast<std::size_t>(channel)];
    m_port.sendProgramChange(channel, s.program);
    for (ChannelControl control : ChannelControls)
        m_port.sendControlChange(channel, controllerNumber(control), controlValue(s, control));
    m_port.sendControlChange(channel, Controller::Sustain, s.sustain ? SustainOn : 0);
}

void InstrumentPanel::resetToDefaults()
{
    m_chordType = DefaultChordType;
    m_octave = 0;

    const ChannelSettings shown = current();
    for (std::size_t c = 0; c < m_channels.size(); ++c)
        m_channels[c] = resetSettings(c);
    for (int c = 0; c < ChannelCount; ++c)
        sendChannelSettings(c);

    // The controls still show the channel of before; on their way to channel
    // 0's reset values each one that changes sends once more, on channel 0.
    m_currentChannel = 0;
    sendDifferences(shown, current());
    showState();
}

void InstrumentPanel::setStartupInstrument()
{
    m_port.sendProgramChange(m_currentChannel, StartupProgram);
    current().program = StartupProgram;
    current().instrumentName = StartupInstrumentName;
    showState();
}

void InstrumentPanel::applyChosenInstrument(const std::string& name, int program)
{
    if (name.empty() || program < 0 || program >= InstrumentCount || !canChooseInstrument())
        return;
    m_port.sendProgramChange(m_currentChannel, program);
    current().program = program;
    current().instrumentName = name;
    showState();
}

}  // namespace kelodi
