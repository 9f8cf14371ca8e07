// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kelodi {

// Bytes as one input port received them: one whole message (the usual case)
// or a piece of a byte stream, which MidiByteParser puts together. Called on
// the backend's own thread, never on the window's.
using MidiInputHandler = std::function<void(const std::uint8_t* bytes, std::size_t length)>;

// One open MIDI input port. Backends (RtMidi, WinMM) implement it; the rest
// of the program only reads what the handler given to open() receives.
class MidiIn {
public:
    virtual ~MidiIn() = default;

    // Stops the handler and closes the port without waiting on its system: a
    // server that no longer answers is left to finish in the background. Once
    // close() has returned the handler is never called again. Destroying an
    // open port closes it.
    virtual void close() = 0;

    // True once the port's device has gone away (unplugged, its client closed
    // its port, its server quit). Never back to false. Cheap: the window asks
    // it twice a second.
    virtual bool disconnected() const { return false; }
};

// The machine's MIDI input ports, asked again at each call: a keyboard
// plugged in after start shows up at the next list().
class MidiInputList {
public:
    virtual ~MidiInputList() = default;

    // Which MIDI layer the ports come from ("ALSA", "JACK", "WinMM"), empty
    // when none.
    virtual std::string apiName() const = 0;

    // The input ports' names as their system knows them (JACK: the full
    // "client:port" name), in the system's order. Bounded in time: a server
    // that does not answer has none.
    virtual std::vector<std::string> names() = 0;

    // Opens the first port called `name`, its messages going to `handler`;
    // nullptr when it is not there or refuses to open.
    virtual std::unique_ptr<MidiIn> open(const std::string& name, MidiInputHandler handler) = 0;
};

// No MIDI input at all: for systems without a MIDI layer and for programs
// that never play from a keyboard.
class NoMidiInputs : public MidiInputList {
public:
    std::string apiName() const override { return {}; }
    std::vector<std::string> names() override { return {}; }
    std::unique_ptr<MidiIn> open(const std::string&, MidiInputHandler) override { return nullptr; }
};

}  // namespace kelodi
