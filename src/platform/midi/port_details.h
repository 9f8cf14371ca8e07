// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "core/midi/midi_device.h"
#include "platform/midi/system_ports.h"

namespace kelodi {

// What every system port can truthfully claim: a MIDI port serving all 16
// channels, made by no one in particular.
inline MidiDeviceCaps basicPortCaps(const std::string& name)
{
    MidiDeviceCaps caps;
    caps.productName = truncateProductName(name);
    caps.technology = MidiTechnology::MidiPort;
    caps.channelMask = 0xFFFF;
    return caps;
}

// The capabilities of the port RtMidi lists as name. With the ALSA sequencer
// the port's type, channel count and voices come from ALSA itself; other
// layers report nothing beyond the basics.
MidiDeviceCaps portCaps(bool alsaSequencer, const std::string& name);

}  // namespace kelodi
