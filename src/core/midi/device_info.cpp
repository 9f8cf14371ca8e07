// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/midi/device_info.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace kelodi {

namespace {

// The published multimedia manufacturer identifiers, in ascending order.
// 56 and 74 name the same company; every identifier missing here is unknown.
struct Manufacturer {
    std::int16_t id;
    std::string_view name;
};

constexpr std::array<Manufacturer, 71> Manufacturers = {{
    {1, "Microsoft Corporation"},
    {2, "Creative Labs, Inc"},
    {3, "Media Vision, Inc"},
    {4, "Fujitsu Corp"},
    {20, "Artisoft, Inc"},
    {21, "Turtle Beach, Inc"},
    {22, "IBM Corporation"},
    {23, "Vocaltec Ltd"},
    {24, "Roland"},
    {25, "DSP Solutions, Inc"},
    {26, "NEC"},
    {27, "ATI"},
    {28, "Wang Laboratories, Inc"},
    {29, "Tandy Corporation"},
    {30, "Voyetra"},
    {31, "Antex Electronics Corporation"},
    {32, "ICL Personal Systems"},
    {33, "Intel Corporation"},
    {34, "Advanced Gravis"},
    {35, "Video Associates Labs, Inc"},
    {36, "InterActive Inc"},
    {37, "Yamaha Corporation of America"},
    {38, "Everex Systems, Inc"},
    {39, "Echo Speech Corporation"},
    {40, "Sierra Semiconductor Corp"},
    {41, "Computer Aided Technologies"},
    {42, "APPS Software International"},
    {43, "DSP Group, Inc"},
    {44, "Micro Engineering Labs"},
    {45, "Computer Friends, Inc"},
    {46, "ESS Technology"},
    {47, "Audio, Inc"},
    {48, "Motorola, Inc"},
    {49, "Canopus, co., Ltd"},
    {50, "Seiko Epson Corporation"},
    {51, "TrueVision"},
    {52, "Aztech Labs, Inc"},
    {53, "VideoLogic"},
    {54, "SCALACS"},
    {55, "Tavessol, Korg Inc"},
    {56, "Audio Processing Technology"},
    {57, "Integrated Circuit Systems, Inc"},
    {58, "Iterated Systems, Inc"},
    {59, "Metheus"},
    {60, "Logitech, Inc"},
    {61, "Winnov, Inc"},
    {62, "NCR Corporation"},
    {63, "EXAN"},
    {64, "AST Research Inc"},
    {65, "Willow Pond Corporation"},
    {66, "Sonic Foundry"},
    {67, "Vitec Multimedia"},
    {68, "MOSCOM Corporation"},
    {69, "Silicon Soft, Inc"},
    {73, "Supermac"},
    {74, "Audio Processing Technology"},
    {76, "Speech Compression"},
    {78, "Dolby Laboratories"},
    {79, "OKI"},
    {80, "AuraVision Corporation"},
    {81, "Olivetti"},
    {82, "I/O Magic Corporation"},
    {83, "Matsushita Electric Industrial Co., Ltd"},
    {84, "Control Resources Limited"},
    {85, "Xebec Multimedia Solutions Limited"},
    {86, "New Media Corporation"},
    {87, "Natural MicroSystems"},
    {88, "Lyrrus Inc"},
    {89, "Compusic"},
    {90, "OPTI Computers Inc"},
    {93, "Dialogic Corporation"},
}};

std::string trueFalse(bool value)
{
    return value ? "True" : "False";
}

}  // namespace

std::string driverVersionText(std::uint32_t version)
{
    const unsigned major = (version >> 8) & 0xFFu;
    const unsigned minor = version & 0xFFu;
    std::string text = std::to_string(major) + ".";
    if (minor < 10)
        text += '0';
    return text + std::to_string(minor);
}

std::string manufacturerName(std::uint16_t id)
{
    const auto signedId = static_cast<std::int16_t>(id);
    const auto found = std::lower_bound(
        Manufacturers.begin(), Manufacturers.end(), signedId,
        [](const Manufacturer& entry, std::int16_t wanted) { return entry.id < wanted; });
    if (found == Manufacturers.end() || found->id != signedId)
        return "Unknown";
    return std::string(found->name);
}

DeviceInfoTexts deviceInfoTexts(const MidiDeviceCaps& caps, int deviceId)
{
    DeviceInfoTexts t;
    t.manufacturer = manufacturerName(caps.manufacturerId);
    t.deviceId = std::to_string(deviceId);
    t.productName = caps.productName.substr(0, caps.productName.find('\0'));
    t.productId = std::to_string(caps.productId);
    t.manufacturerId = std::to_string(caps.manufacturerId);
    t.driverVersion = driverVersionText(caps.driverVersion);
    t.channelMask = std::to_string(caps.channelMask);
    t.notes = std::to_string(caps.notes);
    t.voices = std::to_string(caps.voices);

    t.volume = trueFalse(caps.support & MidiSupport::Volume);
    t.lrVolume = trueFalse(caps.support & MidiSupport::LrVolume);
    t.cache = trueFalse(caps.support & MidiSupport::Cache);
    t.stream = trueFalse(caps.support & MidiSupport::Stream);

    t.midiPort = trueFalse(caps.technology == MidiTechnology::MidiPort);
    t.synth = trueFalse(caps.technology == MidiTechnology::Synth);
    t.squareSynth = trueFalse(caps.technology == MidiTechnology::SquareSynth);
    t.fmSynth = trueFalse(caps.technology == MidiTechnology::FmSynth);
    t.mapper = trueFalse(caps.technology == MidiTechnology::Mapper);
    return t;
}

}  // namespace kelodi
