// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/midi/midi_port.h"

#include <string>

#include "core/midi/midi_log.h"

namespace kelodi {

MidiPort::MidiPort(MidiDeviceList& devices) : m_devices(devices) {}

MidiPort::~MidiPort() = default;

std::unique_ptr<MidiOut> MidiPort::takeOut()
{
    std::lock_guard lock(m_sendMutex);
    return std::move(m_out);
}

bool MidiPort::open(int id)
{
    // The old port closes, and the new one opens, outside the lock: either
    // may take up to the backend's bounded wait on a server that is gone.
    if (std::unique_ptr<MidiOut> old = takeOut())
        old->close();
    std::unique_ptr<MidiOut> opened = m_devices.open(id);
    const bool ok = opened != nullptr;
    {
        std::lock_guard lock(m_sendMutex);
        m_out = std::move(opened);
    }
    if (m_log)
        m_log->event((ok ? "open " : "open-failed ") + std::to_string(id));
    return ok;
}

void MidiPort::reset()
{
    {
        std::lock_guard lock(m_sendMutex);
        if (!m_out)
            return;
        m_out->reset();
    }
    if (m_log)
        m_log->event("reset");
}

void MidiPort::close()
{
    std::unique_ptr<MidiOut> old = takeOut();
    if (!old)
        return;
    old->close();
    old.reset();
    if (m_log)
        m_log->event("close");
}

void MidiPort::sendShortMessage(ShortMessage message)
{
    {
        std::lock_guard lock(m_sendMutex);
        if (!m_out)
            return;
        m_out->send(message);
    }
    if (m_log)
        m_log->message(message);
}

void MidiPort::sendNoteOn(int channel, int note)
{
    sendShortMessage(noteOnMessage(channel, note));
}

void MidiPort::sendNoteOff(int channel, int note)
{
    sendShortMessage(noteOffMessage(channel, note));
}

void MidiPort::sendProgramChange(int channel, int program)
{
    sendShortMessage(programChangeMessage(channel, program));
}

void MidiPort::sendControlChange(int channel, int controller, int value)
{
    sendShortMessage(controlChangeMessage(channel, controller, value));
}

}  // namespace kelodi
