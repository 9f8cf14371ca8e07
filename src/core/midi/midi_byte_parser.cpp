// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/midi/midi_byte_parser.h"

namespace kelodi {

namespace {

// Data bytes after a system common status byte (F1..F6).
int systemCommonLength(std::uint8_t status)
{
    switch (status) {
    case 0xF1:
    case 0xF3: return 1;
    case 0xF2: return 2;
    default: return 0;
    }
}

}  // namespace

std::optional<ShortMessage> MidiByteParser::feed(std::uint8_t byte)
{
    if (byte >= 0xF8)
        return std::nullopt;  // real time: no effect on what it interrupts
    if (byte >= 0x80) {
        // Any status byte ends what came before it, complete or not.
        m_have = 0;
        m_skip = 0;
        m_sysex = false;
        if (byte >= 0xF0) {
            m_status = 0;
            m_sysex = byte == 0xF0;
            m_skip = systemCommonLength(byte);
            return std::nullopt;
        }
        m_status = byte;
        m_needed = shortMessageLength(byte) - 1;
        return std::nullopt;
    }
    if (m_sysex)
        return std::nullopt;
    if (m_skip > 0) {
        --m_skip;
        return std::nullopt;
    }
    if (m_status == 0)
        return std::nullopt;
    if (m_have == 0) {
        m_data1 = byte;
        m_have = 1;
        if (m_needed > 1)
            return std::nullopt;
        m_have = 0;
        return packShortMessage(m_status, m_status & 0x0F, m_data1);
    }
    m_have = 0;
    return packShortMessage(m_status, m_status & 0x0F, m_data1, byte);
}

}  // namespace kelodi
