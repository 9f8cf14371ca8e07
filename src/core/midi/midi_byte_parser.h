// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

#include "core/midi/short_message.h"

namespace kelodi {

// Puts the channel messages of a MIDI byte stream together, as a receiver
// must: running status (data bytes that repeat the last channel status),
// real-time bytes (F8..FF) anywhere, even inside a message, which are
// dropped and leave the message they interrupt whole; system exclusive and
// system common messages, which are skipped and end running status; data
// bytes with no status before them, and a message cut short by the next
// status byte, which are dropped.
class MidiByteParser {
public:
    // The channel message `byte` completes, if any.
    std::optional<ShortMessage> feed(std::uint8_t byte);

    // Forgets a message begun and the running status (a port reopened).
    void clear() { *this = MidiByteParser(); }

private:
    std::uint8_t m_status = 0;   // running channel status, 0 for none
    int m_needed = 0;            // data bytes the status takes
    int m_have = 0;              // data bytes of the message so far
    std::uint8_t m_data1 = 0;
    int m_skip = 0;              // data bytes of a system common message still to skip
    bool m_sysex = false;        // inside system exclusive
};

}  // namespace kelodi
