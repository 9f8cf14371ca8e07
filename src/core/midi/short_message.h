// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace kelodi {

// A MIDI channel message packed into one 32-bit word, the form the output
// ports take: status byte in bits 0-7 (kind in the high nibble, channel in the
// low nibble), first data byte in bits 8-15, second data byte in bits 16-23,
// bits 24-31 zero. Written lowest byte first it reads as the bytes on the wire.
using ShortMessage = std::uint32_t;

namespace MidiKind {
inline constexpr std::uint32_t NoteOff = 0x80;
inline constexpr std::uint32_t NoteOn = 0x90;
inline constexpr std::uint32_t ControlChange = 0xB0;
inline constexpr std::uint32_t ProgramChange = 0xC0;
}  // namespace MidiKind

namespace Controller {
inline constexpr int Modulation = 1;
inline constexpr int Volume = 7;
inline constexpr int Pan = 10;
inline constexpr int Sustain = 64;
inline constexpr int Reverb = 91;
inline constexpr int Chorus = 93;
}  // namespace Controller

// MIDI's channels, 0..15 on the wire (shown to the user as 1..16).
inline constexpr int ChannelCount = 16;

// The one velocity the keyboard plays with.
inline constexpr int NoteOnVelocity = 100;

// kind + channel + data1 * 256 + data2 * 65536. Callers pass channel 0..15 and
// data bytes 0..127; the fields are masked so that a stray value can never
// spill into a neighbouring byte.
constexpr ShortMessage packShortMessage(std::uint32_t kind, int channel, int data1, int data2 = 0)
{
    return (kind & 0xF0u) + (static_cast<std::uint32_t>(channel) & 0x0Fu)
           + (static_cast<std::uint32_t>(data1) & 0x7Fu) * 256u
           + (static_cast<std::uint32_t>(data2) & 0x7Fu) * 65536u;
}

constexpr ShortMessage noteOnMessage(int channel, int note)
{
    return packShortMessage(MidiKind::NoteOn, channel, note, NoteOnVelocity);
}
constexpr ShortMessage noteOffMessage(int channel, int note)
{
    return packShortMessage(MidiKind::NoteOff, channel, note, 0);
}
constexpr ShortMessage programChangeMessage(int channel, int program)
{
    return packShortMessage(MidiKind::ProgramChange, channel, program, 0);
}
constexpr ShortMessage controlChangeMessage(int channel, int controller, int value)
{
    return packShortMessage(MidiKind::ControlChange, channel, controller, value);
}

constexpr std::uint8_t statusByte(ShortMessage m) { return static_cast<std::uint8_t>(m & 0xFFu); }
constexpr std::uint8_t dataByte1(ShortMessage m) { return static_cast<std::uint8_t>((m >> 8) & 0xFFu); }
constexpr std::uint8_t dataByte2(ShortMessage m) { return static_cast<std::uint8_t>((m >> 16) & 0xFFu); }

// Number of bytes the message occupies on the wire (1 status + data bytes).
constexpr int shortMessageLength(ShortMessage m)
{
    switch (statusByte(m) & 0xF0u) {
    case 0xC0:
    case 0xD0: return 2;
    case 0x80:
    case 0x90:
    case 0xA0:
    case 0xB0:
    case 0xE0: return 3;
    default: return 1;
    }
}

}  // namespace kelodi
