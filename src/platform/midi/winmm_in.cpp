// SPDX-License-Identifier: GPL-3.0-or-later
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include <windows.h>
#include <mmsystem.h>

#include "platform/midi/system_inputs.h"
#include "platform/midi/winmm_text.h"

namespace kelodi {

namespace {

// How often an open device is looked for in the system's list.
constexpr std::chrono::milliseconds PresenceCheckInterval(400);

// The product name of input device id; empty when it cannot be read.
std::string deviceName(UINT id)
{
    MIDIINCAPSA caps{};
    if (midiInGetDevCapsA(id, &caps, sizeof caps) != MMSYSERR_NOERROR)
        return {};
    return utf8FromAnsi(caps.szPname, static_cast<int>(strnlen(caps.szPname, sizeof caps.szPname)));
}

// Bytes a status byte's message has on the wire.
std::size_t messageLength(std::uint8_t status)
{
    switch (status & 0xF0) {
    case 0xC0:
    case 0xD0: return 2;
    case 0xF0: return status == 0xF2 ? 3 : (status == 0xF1 || status == 0xF3) ? 2 : 1;
    default: return 3;
    }
}

// The driver calls back on a thread of its own; after stop() it finds no
// handler and nothing more is delivered.
struct Delivery {
    std::mutex mutex;
    MidiInputHandler handler;

    static void CALLBACK receive(HMIDIIN, UINT message, DWORD_PTR self, DWORD_PTR param1, DWORD_PTR)
    {
        if (message != MIM_DATA)
            return;
        auto* delivery = reinterpret_cast<Delivery*>(self);
        const auto word = static_cast<std::uint32_t>(param1);
        const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(word & 0xFF), static_cast<std::uint8_t>((word >> 8) & 0xFF),
                                       static_cast<std::uint8_t>((word >> 16) & 0xFF)};
        std::lock_guard lock(delivery->mutex);
        if (delivery->handler)
            delivery->handler(bytes, messageLength(bytes[0]));
    }
};

class WinMMIn : public MidiIn {
public:
    WinMMIn(HMIDIIN handle, UINT id, std::string name, std::unique_ptr<Delivery> delivery)
        : m_handle(handle), m_id(id), m_name(std::move(name)), m_delivery(std::move(delivery))
    {
    }
    ~WinMMIn() override { close(); }

    void close() override
    {
        if (!m_handle)
            return;
        {
            std::lock_guard lock(m_delivery->mutex);
            m_delivery->handler = nullptr;
        }
        midiInStop(m_handle);
        midiInReset(m_handle);
        midiInClose(m_handle);
        m_handle = nullptr;
    }

    // WinMM tells nobody of an unplugged device; it leaves the list (or its
    // place is taken by another one).
    bool disconnected() const override
    {
        if (m_gone.load())
            return true;
        std::lock_guard lock(m_checkMutex);
        const auto now = std::chrono::steady_clock::now();
        if (now - m_lastCheck < PresenceCheckInterval)
            return false;
        m_lastCheck = now;
        if (m_id >= midiInGetNumDevs() || deviceName(m_id) != m_name)
            m_gone.store(true);
        return m_gone.load();
    }

private:
    HMIDIIN m_handle;
    UINT m_id;
    std::string m_name;
    std::unique_ptr<Delivery> m_delivery;
    mutable std::atomic<bool> m_gone{false};
    mutable std::mutex m_checkMutex;
    mutable std::chrono::steady_clock::time_point m_lastCheck{};
};

class WinMMInputs : public MidiInputList {
public:
    std::string apiName() const override { return "WinMM"; }

    std::vector<std::string> names() override
    {
        std::vector<std::string> names;
        const UINT count = midiInGetNumDevs();
        for (UINT id = 0; id < count; ++id)
            names.push_back(deviceName(id));
        return names;
    }

    std::unique_ptr<MidiIn> open(const std::string& name, MidiInputHandler handler) override
    {
        const UINT count = midiInGetNumDevs();
        for (UINT id = 0; id < count; ++id) {
            if (deviceName(id) != name)
                continue;
            auto delivery = std::make_unique<Delivery>();
            delivery->handler = std::move(handler);
            HMIDIIN handle = nullptr;
            if (midiInOpen(&handle, id, reinterpret_cast<DWORD_PTR>(&Delivery::receive),
                           reinterpret_cast<DWORD_PTR>(delivery.get()), CALLBACK_FUNCTION)
                != MMSYSERR_NOERROR)
                return nullptr;
            if (midiInStart(handle) != MMSYSERR_NOERROR) {
                midiInClose(handle);
                return nullptr;
            }
            return std::make_unique<WinMMIn>(handle, id, name, std::move(delivery));
        }
        return nullptr;
    }
};

}  // namespace

std::unique_ptr<MidiInputList> createMidiInputList()
{
    return std::make_unique<WinMMInputs>();
}

}  // namespace kelodi
