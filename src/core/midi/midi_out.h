// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/midi/short_message.h"

namespace kelodi {

// One open MIDI output port. Backends (embedded synthesizer, system ports)
// implement it; everything above speaks only to this interface.
//
// send() hands the message to the device at once: no queue of our own, no
// allocation, no blocking on the caller's thread beyond the backend's own call.
class MidiOut {
public:
    virtual ~MidiOut() = default;

    virtual void send(ShortMessage message) = 0;

    // Silences every note on every channel of this port (and lifts the sustain
    // pedal), whatever the backend. The port stays open.
    virtual void reset() = 0;

    // Closes the port; messages sent afterwards are dropped silently.
    // Destroying an open port closes it.
    virtual void close() = 0;

    // True once the device has gone away under the open port (its MIDI server
    // quit or died); messages are then dropped at once. May change at any
    // moment from another thread's point of view, but never back to false.
    virtual bool disconnected() const { return false; }
};

}  // namespace kelodi
