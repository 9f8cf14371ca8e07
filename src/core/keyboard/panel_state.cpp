// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/keyboard/panel_state.h"

#include <cstdlib>

#include "core/keyboard/chord_table.h"
#include "core/midi/short_message.h"

namespace kelodi {

namespace {

// Decimal with leading zeros up to width; a negative number gets its minus
// sign in front of the padded digits ("-05", "-64").
std::string padded(int value, int width)
{
    std::string digits = std::to_string(std::abs(value));
    if (static_cast<int>(digits.size()) < width)
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    return value < 0 ? "-" + digits : digits;
}

// How a controller's label writes its value: pan relative to the centre.
struct ControlLabel {
    const char* prefix;
    int shownOffset;
    int width;
};

ControlLabel controlLabel(ChannelControl control)
{
    switch (control) {
    case ChannelControl::Volume: return {" 音量 ", 0, 3};
    case ChannelControl::Pan: return {" 声道 ", -64, 2};
    case ChannelControl::Reverb: return {" 混响 ", 0, 3};
    case ChannelControl::Chorus: return {" 合声 ", 0, 3};
    case ChannelControl::Modulation: return {" 颤音 ", 0, 3};
    }
    return {"", 0, 0};
}

ChannelControl controlOf(PanelSpinner spinner)
{
    switch (spinner) {
    case PanelSpinner::Pan: return ChannelControl::Pan;
    case PanelSpinner::Reverb: return ChannelControl::Reverb;
    case PanelSpinner::Chorus: return ChannelControl::Chorus;
    case PanelSpinner::Modulation: return ChannelControl::Modulation;
    default: return ChannelControl::Volume;
    }
}

}  // namespace

int controllerNumber(ChannelControl control)
{
    switch (control) {
    case ChannelControl::Volume: return Controller::Volume;
    case ChannelControl::Pan: return Controller::Pan;
    case ChannelControl::Reverb: return Controller::Reverb;
    case ChannelControl::Chorus: return Controller::Chorus;
    case ChannelControl::Modulation: return Controller::Modulation;
    }
    return Controller::Volume;
}

int& controlValue(ChannelSettings& settings, ChannelControl control)
{
    switch (control) {
    case ChannelControl::Pan: return settings.pan;
    case ChannelControl::Reverb: return settings.reverb;
    case ChannelControl::Chorus: return settings.chorus;
    case ChannelControl::Modulation: return settings.modulation;
    case ChannelControl::Volume: break;
    }
    return settings.volume;
}

int controlValue(const ChannelSettings& settings, ChannelControl control)
{
    // Reads only: the field is chosen once, in the writable overload.
    return controlValue(const_cast<ChannelSettings&>(settings), control);
}

SpinnerRange spinnerRange(PanelSpinner spinner)
{
    switch (spinner) {
    case PanelSpinner::Channel: return {0, ChannelCount - 1};
    case PanelSpinner::Octave: return {LowestOctave, HighestOctave};
    case PanelSpinner::Chord: return {0, ChordTypeCount - 1};
    default: return {0, 127};
    }
}

int PanelState::value(PanelSpinner spinner) const
{
    switch (spinner) {
    case PanelSpinner::Channel: return channel;
    case PanelSpinner::Octave: return octave;
    case PanelSpinner::Chord: return chordType;
    default: return controlValue(settings, controlOf(spinner));
    }
}

std::string PanelState::caption(PanelSpinner spinner) const
{
    switch (spinner) {
    case PanelSpinner::Channel: return " 效果 " + padded(channel + 1, 2);
    case PanelSpinner::Octave: return " 八度音程 " + std::to_string(octave);
    case PanelSpinner::Chord: return std::string(chordName(chordType));
    default: break;
    }
    const ChannelControl control = controlOf(spinner);
    const ControlLabel label = controlLabel(control);
    return label.prefix + padded(controlValue(settings, control) + label.shownOffset, label.width);
}

}  // namespace kelodi
