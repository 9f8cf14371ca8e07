// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "core/midi/midi_device.h"

namespace kelodi {

// "major.minor" of a driver version word: the major number (bits 8-15) in
// plain decimal, the minor number (bits 0-7) with at least two digits, so
// 0x0501 reads "5.01" and 0x000A reads "0.10". Bits 16-31 carry nothing.
std::string driverVersionText(std::uint32_t version);

// The maker behind a multimedia manufacturer identifier, or "Unknown". The
// identifier is read as a signed 16-bit number, so values from 0x8000 up are
// negative and unknown like every gap in the table.
std::string manufacturerName(std::uint16_t id);

// Every value the device information dialog shows, as text.
struct DeviceInfoTexts {
    // General
    std::string manufacturer;
    std::string deviceId;
    std::string productName;
    std::string productId;
    std::string manufacturerId;
    std::string driverVersion;
    std::string channelMask;
    std::string notes;
    std::string voices;
    // Support: "True" / "False"
    std::string volume;
    std::string lrVolume;
    std::string cache;
    std::string stream;
    // Technology: "True" beside the device's one technology, "False" elsewhere
    std::string midiPort;
    std::string synth;
    std::string squareSynth;
    std::string fmSynth;
    std::string mapper;
};

// The dialog's texts for the device with the given identifier (-1 = mapper)
// and the capabilities it reported. Numbers are unsigned decimals except the
// device identifier; the product name ends at its first NUL.
DeviceInfoTexts deviceInfoTexts(const MidiDeviceCaps& caps, int deviceId);

}  // namespace kelodi
