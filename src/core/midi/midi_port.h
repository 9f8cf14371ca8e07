// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <mutex>

#include "core/midi/midi_device.h"
#include "core/midi/short_message.h"

namespace kelodi {

class MidiLog;

// The program's one output port (the MIDI output handle): opened on the mapper
// at start-up, switched by the device menu, reset and closed at shutdown. Every
// message of the program goes through the send operations here; each is handed
// to the device immediately and its result is not examined. Sending while no
// port is open does nothing audible and reports nothing.
//
// The sends may come from any thread (a MIDI keyboard sends from its input
// port's thread, beside the window's): each is made under a lock, which is
// held only around the send and the swap of the open port, never while a
// port opens or closes, so a device switch never stalls another sender.
// open(), reset(), close(), isOpen() and deviceLost() belong to the window
// thread.
class MidiPort {
public:
    explicit MidiPort(MidiDeviceList& devices);
    ~MidiPort();
    MidiPort(const MidiPort&) = delete;
    MidiPort& operator=(const MidiPort&) = delete;

    // Optional trace of messages and port events; not owned.
    void setLog(MidiLog* log) { m_log = log; }

    MidiDeviceList& devices() { return m_devices; }

    // Opens device id (-1 = mapper). Any port still open is closed first,
    // without a reset. False, with the port left closed, when it fails.
    bool open(int id);
    // All notes off on all channels of the open port; nothing when closed.
    void reset();
    // Closes the open port; nothing when already closed.
    void close();
    bool isOpen() const { return m_out != nullptr; }
    // The open port's device has gone away (see MidiOut::disconnected).
    bool deviceLost() const { return m_out && m_out->disconnected(); }

    void sendShortMessage(ShortMessage message);
    void sendNoteOn(int channel, int note);  // velocity 100
    void sendNoteOff(int channel, int note);  // velocity 0
    void sendProgramChange(int channel, int program);
    void sendControlChange(int channel, int controller, int value);

private:
    // The open port, swapped out under m_sendMutex before it closes.
    std::unique_ptr<MidiOut> takeOut();

    MidiDeviceList& m_devices;
    std::mutex m_sendMutex;
    std::unique_ptr<MidiOut> m_out;
    MidiLog* m_log = nullptr;
};

}  // namespace kelodi
