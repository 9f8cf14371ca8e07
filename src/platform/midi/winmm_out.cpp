// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstring>
#include <string>
#include <vector>

#include <windows.h>
#include <mmsystem.h>

#include "platform/midi/midi_wire.h"
#include "platform/midi/system_ports.h"
#include "platform/midi/winmm_text.h"

namespace kelodi {

namespace {

MidiDeviceCaps fromWinMM(const MIDIOUTCAPSA& raw)
{
    MidiDeviceCaps caps;
    caps.manufacturerId = raw.wMid;
    caps.productId = raw.wPid;
    caps.driverVersion = raw.vDriverVersion;
    // szPname is NUL-terminated within its 32 bytes; a driver that fills all
    // 32 is cut at the end of the field.
    caps.productName = utf8FromAnsi(raw.szPname, static_cast<int>(strnlen(raw.szPname, sizeof raw.szPname)));
    caps.technology = raw.wTechnology;
    caps.voices = raw.wVoices;
    caps.notes = raw.wNotes;
    caps.channelMask = raw.wChannelMask;
    caps.support = raw.dwSupport;
    return caps;
}

bool readCaps(UINT_PTR id, MidiDeviceCaps& caps)
{
    MIDIOUTCAPSA raw{};
    if (midiOutGetDevCapsA(id, &raw, sizeof raw) != MMSYSERR_NOERROR)
        return false;
    caps = fromWinMM(raw);
    return true;
}

class WinMMOut : public MidiOut {
public:
    explicit WinMMOut(HMIDIOUT handle) : m_handle(handle) {}
    ~WinMMOut() override { close(); }

    void send(ShortMessage message) override
    {
        if (m_handle && wireLength(message) != 0)
            midiOutShortMsg(m_handle, message);
    }

    // The driver knows what sounds and turns it all off.
    void reset() override
    {
        if (m_handle)
            midiOutReset(m_handle);
    }

    void close() override
    {
        if (!m_handle)
            return;
        midiOutClose(m_handle);
        m_handle = nullptr;
    }

private:
    HMIDIOUT m_handle;
};

std::unique_ptr<MidiOut> openDevice(UINT id)
{
    HMIDIOUT handle = nullptr;
    if (midiOutOpen(&handle, id, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR)
        return nullptr;
    return std::make_unique<WinMMOut>(handle);
}

class WinMMPorts : public SystemPorts {
public:
    std::string apiName() const override { return "WinMM"; }

    std::vector<SystemPortInfo> list() override
    {
        std::vector<SystemPortInfo> ports;
        const UINT count = midiOutGetNumDevs();
        for (UINT id = 0; id < count; ++id) {
            MidiDeviceCaps caps;
            // A device whose capabilities cannot be read keeps its place with
            // an empty record, so the numbers of the others stay right.
            readCaps(id, caps);
            ports.push_back({caps.productName, caps});
        }
        return ports;
    }

    std::unique_ptr<MidiOut> open(const std::string& name, int occurrence) override
    {
        const UINT count = midiOutGetNumDevs();
        int seen = 0;
        for (UINT id = 0; id < count; ++id) {
            MidiDeviceCaps caps;
            if (readCaps(id, caps) && caps.productName == name && seen++ == occurrence)
                return openDevice(id);
        }
        return nullptr;
    }

    bool hasMapper() const override { return true; }

    MidiDeviceCaps mapperCaps() override
    {
        MidiDeviceCaps caps;
        readCaps(MIDI_MAPPER, caps);
        return caps;
    }

    std::unique_ptr<MidiOut> openMapper() override { return openDevice(MIDI_MAPPER); }
};

}  // namespace

std::unique_ptr<SystemPorts> createSystemPorts()
{
    return std::make_unique<WinMMPorts>();
}

}  // namespace kelodi
