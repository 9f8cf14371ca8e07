// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

#include "core/midi/midi_in.h"

namespace kelodi {

// The operating system's MIDI input ports: WinMM devices on Windows, the ALSA
// sequencer or JACK through RtMidi elsewhere (the same layer as the outputs).
// CMake picks the file that builds it.
std::unique_ptr<MidiInputList> createMidiInputList();

}  // namespace kelodi
