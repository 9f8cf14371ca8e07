// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/midi/midi_device.h"
#include "core/midi/midi_port.h"

namespace kelodi::test {

// A device list whose ports record what they are sent. Every port shares one
// journal, so a test sees the messages in the order the program produced them,
// across device switches.
struct MidiJournal {
    std::vector<ShortMessage> messages;
    std::vector<std::string> events;  // "open -1", "reset", "close", "open-failed 2"
    bool deviceGone = false;           // the open ports' device went away
    void clear()
    {
        messages.clear();
        events.clear();
    }
};

class RecordingMidiOut : public MidiOut {
public:
    explicit RecordingMidiOut(MidiJournal& journal) : m_journal(journal) {}
    void send(ShortMessage message) override
    {
        if (!m_closed)
            m_journal.messages.push_back(message);
    }
    void reset() override { m_journal.events.push_back("reset"); }
    void close() override
    {
        if (!m_closed)
            m_journal.events.push_back("close");
        m_closed = true;
    }
    bool disconnected() const override { return !m_closed && m_journal.deviceGone; }

private:
    MidiJournal& m_journal;
    bool m_closed = false;
};

class RecordingDeviceList : public MidiDeviceList {
public:
    explicit RecordingDeviceList(int count = 1) : m_count(count) {}

    int count() const override { return m_count; }
    MidiDeviceCaps caps(int id) const override
    {
        MidiDeviceCaps caps;
        if (id < -1 || id >= m_count)
            return caps;
        caps.productName = id == -1 ? "Test Mapper" : "Test Port " + std::to_string(id);
        caps.technology = id == -1 ? MidiTechnology::Mapper : MidiTechnology::MidiPort;
        caps.channelMask = 0xFFFF;
        return caps;
    }
    std::unique_ptr<MidiOut> open(int id) override
    {
        if (id < -1 || id >= m_count || id == refusingId) {
            journal.events.push_back("open-failed " + std::to_string(id));
            return nullptr;
        }
        journal.events.push_back("open " + std::to_string(id));
        return std::make_unique<RecordingMidiOut>(journal);
    }

    MidiJournal journal;
    int refusingId = -2;  // a device id that refuses to open

private:
    int m_count;
};

// A port already opened on the mapper, with its journal cleared: what most
// tests of the keyboard start from.
struct RecordingPort {
    RecordingDeviceList devices;
    MidiPort port{devices};
    RecordingPort()
    {
        port.open(MidiMapperId);
        devices.journal.clear();
    }
    std::vector<ShortMessage>& messages() { return devices.journal.messages; }
};

}  // namespace kelodi::test
