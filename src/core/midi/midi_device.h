// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/midi/midi_out.h"

namespace kelodi {

// Device identifier -1: the system's default mapper. On Windows the real MIDI
// mapper; elsewhere the embedded synthesizer, which is also device 0.
inline constexpr int MidiMapperId = -1;

// Technology values of a device, as the Windows multimedia interface numbers them.
namespace MidiTechnology {
inline constexpr std::uint16_t MidiPort = 1;  // MOD_MIDIPORT
inline constexpr std::uint16_t Synth = 2;     // MOD_SYNTH
inline constexpr std::uint16_t SquareSynth = 3;
inline constexpr std::uint16_t FmSynth = 4;
inline constexpr std::uint16_t Mapper = 5;  // MOD_MAPPER
}  // namespace MidiTechnology

namespace MidiSupport {
inline constexpr std::uint32_t Volume = 1;    // MIDICAPS_VOLUME
inline constexpr std::uint32_t LrVolume = 2;  // MIDICAPS_LRVOLUME
inline constexpr std::uint32_t Cache = 4;     // MIDICAPS_CACHE
inline constexpr std::uint32_t Stream = 8;    // MIDICAPS_STREAM
}  // namespace MidiSupport

// What a device reports about itself: the fields of MIDIOUTCAPS. Backends that
// have no such record fill what their system truthfully reports and leave the
// rest at zero (manufacturer 0 reads as "Unknown").
struct MidiDeviceCaps {
    std::uint16_t manufacturerId = 0;
    std::uint16_t productId = 0;
    std::uint32_t driverVersion = 0;  // minor in bits 0-7, major in bits 8-15
    std::string productName;          // at most 31 characters on Windows
    std::uint16_t technology = 0;
    std::uint16_t voices = 0;
    std::uint16_t notes = 0;
    std::uint16_t channelMask = 0;
    std::uint32_t support = 0;
};

// The machine's MIDI output devices as read at start-up and at each refresh(). Identifiers run
// from -1 (mapper) to count() - 1. A device is remembered by the name it had
// when the list was read: opening it later finds it by that name again, so a
// port list that changed meanwhile never opens the wrong port.
class MidiDeviceList {
public:
    virtual ~MidiDeviceList() = default;

    // Number of devices, not counting the mapper (midiOutGetNumDevs).
    virtual int count() const = 0;

    // Capabilities of device id (-1 .. count() - 1); an id out of range gives
    // an all-zero record with an empty name.
    virtual MidiDeviceCaps caps(int id) const = 0;

    // Opens device id; nullptr when it cannot be opened. The returned port is
    // ready: a message sent right after open() reaches the device.
    virtual std::unique_ptr<MidiOut> open(int id) = 0;

    // Reads the system's ports again (the device menu opening), so a port
    // created after start is listed. Ports already open are not touched.
    virtual void refresh() {}

    // The SoundFont the list's embedded synthesizer plays; empty when it has
    // none.
    virtual std::string soundFontPath() const { return {}; }
};

}  // namespace kelodi
