// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/midi/midi_device.h"
#include "core/midi/midi_out.h"

namespace kelodi {

// One output port of the operating system's MIDI layer as it was listed.
struct SystemPortInfo {
    std::string name;  // full name, how the port is found again
    MidiDeviceCaps caps;
};

// The operating system's MIDI output ports: WinMM devices on Windows, the ALSA
// sequencer or JACK through RtMidi elsewhere. Exactly one implementation is
// built; CMake picks its file.
class SystemPorts {
public:
    virtual ~SystemPorts() = default;

    // Which MIDI layer is in use ("ALSA", "JACK", "WinMM"), empty when none.
    virtual std::string apiName() const = 0;

    // Reads the current list of ports.
    virtual std::vector<SystemPortInfo> list() = 0;

    // Opens the occurrence-th port (0 = first) called name in a list read
    // now, so a port is found by what it was called, never by a position
    // that may have shifted. nullptr when it is gone or refuses to open.
    virtual std::unique_ptr<MidiOut> open(const std::string& name, int occurrence) = 0;

    // The system's own MIDI mapper, where there is one (Windows).
    virtual bool hasMapper() const { return false; }
    virtual MidiDeviceCaps mapperCaps() { return {}; }
    virtual std::unique_ptr<MidiOut> openMapper() { return nullptr; }
};

std::unique_ptr<SystemPorts> createSystemPorts();

// A product name cut to what MIDIOUTCAPS holds (31 bytes before the NUL),
// never in the middle of a UTF-8 character.
std::string truncateProductName(const std::string& name);

}  // namespace kelodi
