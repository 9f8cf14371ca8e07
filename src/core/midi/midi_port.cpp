// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/midi/midi_port.h"

#include <string>

#include "core/midi/midi_log.h"

namespace kelodi {

MidiPort::MidiPort(MidiDeviceList& devices) : m_devices(devices) {}

MidiPort::~MidiPort() = default;

bool MidiPort::open(int id)
{
    if (m_out) {
        m_out->close();
        m_out.reset();
    }
    m_out = m_devices.open(id);
    if (m_log)
        m_log->event((m_out ? "open " : "open-failed ") + std::to_string(id));
    return m_out != nullptr;
}

void MidiPort::reset()
{
    if (!m_out)
        return;
    m_out->reset();
    if (m_log)
        m_log->event("reset");
}

void MidiPort::close()
{
    if (!m_out)
        return;
    m_out->close();
    m_out.reset();
    if (m_log)
        m_log->event("close");
}

void MidiPort::sendShortMessage(ShortMessage message)
{
    if (!m_out)
        return;
    m_out->send(message);
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
