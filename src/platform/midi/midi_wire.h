// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <vector>

#include "core/midi/short_message.h"

namespace kelodi {

// Number of bytes a packed message puts on the wire, or 0 when the word is not
// a message a port can carry: no status byte (running status is not used), a
// data byte with its top bit set (the receiver would read it as a new status),
// or system exclusive, which does not fit in a short message.
constexpr int wireLength(ShortMessage m)
{
    const std::uint8_t status = statusByte(m);
    if (status < 0x80)
        return 0;
    int length = 0;
    if (status < 0xF0) {
        length = shortMessageLength(m);
    } else {
        switch (status) {
        case 0xF1:  // MTC quarter frame
        case 0xF3: length = 2; break;  // song select
        case 0xF2: length = 3; break;  // song position
        case 0xF6:  // tune request
        case 0xF8:
        case 0xFA:
        case 0xFB:
        case 0xFC:
        case 0xFE:
        case 0xFF: length = 1; break;
        default: return 0;  // F0/F7 (sysex) and the undefined F4, F5, F9, FD
        }
    }
    if (length >= 2 && dataByte1(m) > 0x7F)
        return 0;
    if (length >= 3 && dataByte2(m) > 0x7F)
        return 0;
    return length;
}

// The notes a port has switched on and not yet off, and the channels whose
// sustain pedal it holds down, so that closing or resetting the port can
// release exactly those. Only what went through the port is known; another
// program playing the same device is not.
class SoundingNotes {
public:
    void track(ShortMessage m)
    {
        const int channel = statusByte(m) & 0x0F;
        switch (statusByte(m) & 0xF0) {
        case 0x90:
            m_notes[channel].set(dataByte1(m) & 0x7F, dataByte2(m) != 0);
            break;
        case 0x80:
            m_notes[channel].reset(dataByte1(m) & 0x7F);
            break;
        case 0xB0:
            if (dataByte1(m) == Controller::Sustain)
                m_sustain.set(channel, dataByte2(m) >= 64);
            else if (dataByte1(m) == AllSoundOff || dataByte1(m) == AllNotesOff)
                m_notes[channel].reset();
            break;
        default: break;
        }
    }

    bool empty() const
    {
        if (m_sustain.any())
            return false;
        for (const auto& notes : m_notes)
            if (notes.any())
                return false;
        return true;
    }

    // Messages that let go of everything tracked: a note-off for each sounding
    // note in channel and note order, then sustain off where it is held. The
    // tracker is cleared.
    std::vector<ShortMessage> releaseAll()
    {
        std::vector<ShortMessage> out;
        for (int channel = 0; channel < ChannelCount; ++channel)
            for (int note = 0; note < 128; ++note)
                if (m_notes[channel].test(note))
                    out.push_back(noteOffMessage(channel, note));
        for (int channel = 0; channel < ChannelCount; ++channel)
            if (m_sustain.test(channel))
                out.push_back(controlChangeMessage(channel, Controller::Sustain, 0));
        clear();
        return out;
    }

    void clear()
    {
        for (auto& notes : m_notes)
            notes.reset();
        m_sustain.reset();
    }

    static constexpr int AllSoundOff = 120;
    static constexpr int AllNotesOff = 123;

private:
    std::array<std::bitset<128>, ChannelCount> m_notes;
    std::bitset<ChannelCount> m_sustain;
};

// What reset() sends to an external port after releasing the tracked notes:
// sustain off and all notes off on every channel, for notes the port could not
// know about (a receiver that missed a note-off, or one that was already
// sounding when we connected).
inline std::vector<ShortMessage> silenceEveryChannel()
{
    std::vector<ShortMessage> out;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        out.push_back(controlChangeMessage(channel, Controller::Sustain, 0));
        out.push_back(controlChangeMessage(channel, SoundingNotes::AllNotesOff, 0));
    }
    return out;
}

}  // namespace kelodi
