// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/midi/device_info.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <regex>
#include <string>

namespace kelodi {
namespace {

// The manufacturer list as it is published, copied as prose: "id "text"; ...",
// with one entry that gives two identifiers ("56 and 74"). Parsing it keeps the
// expected table independent of how the code stores its own.
constexpr const char* PublishedManufacturers =
    R"(1 "Microsoft Corporation"; 2 "Creative Labs, Inc"; 3 "Media Vision, Inc"; 4 "Fujitsu Corp"; )"
    R"(20 "Artisoft, Inc"; 21 "Turtle Beach, Inc"; 22 "IBM Corporation"; 23 "Vocaltec Ltd"; )"
    R"(24 "Roland"; 25 "DSP Solutions, Inc"; 26 "NEC"; 27 "ATI"; 28 "Wang Laboratories, Inc"; )"
    R"(29 "Tandy Corporation"; 30 "Voyetra"; 31 "Antex Electronics Corporation"; )"
    R"(32 "ICL Personal Systems"; 33 "Intel Corporation"; 34 "Advanced Gravis"; )"
    R"(35 "Video Associates Labs, Inc"; 36 "InterActive Inc"; 37 "Yamaha Corporation of America"; )"
    R"(38 "Everex Systems, Inc"; 39 "Echo Speech Corporation"; 40 "Sierra Semiconductor Corp"; )"
    R"(41 "Computer Aided Technologies"; 42 "APPS Software International"; 43 "DSP Group, Inc"; )"
    R"(44 "Micro Engineering Labs"; 45 "Computer Friends, Inc"; 46 "ESS Technology"; )"
    R"(47 "Audio, Inc"; 48 "Motorola, Inc"; 49 "Canopus, co., Ltd"; 50 "Seiko Epson Corporation"; )"
    R"(51 "TrueVision"; 52 "Aztech Labs, Inc"; 53 "VideoLogic"; 54 "SCALACS"; )"
    R"(55 "Tavessol, Korg Inc"; 56 and 74 "Audio Processing Technology"; )"
    R"(57 "Integrated Circuit Systems, Inc"; 58 "Iterated Systems, Inc"; 59 "Metheus"; )"
    R"(60 "Logitech, Inc"; 61 "Winnov, Inc"; 62 "NCR Corporation"; 63 "EXAN"; )"
    R"(64 "AST Research Inc"; 65 "Willow Pond Corporation"; 66 "Sonic Foundry"; )"
    R"(67 "Vitec Multimedia"; 68 "MOSCOM Corporation"; 69 "Silicon Soft, Inc"; 73 "Supermac"; )"
    R"(76 "Speech Compression"; 78 "Dolby Laboratories"; 79 "OKI"; 80 "AuraVision Corporation"; )"
    R"(81 "Olivetti"; 82 "I/O Magic Corporation"; 83 "Matsushita Electric Industrial Co., Ltd"; )"
    R"(84 "Control Resources Limited"; 85 "Xebec Multimedia Solutions Limited"; )"
    R"(86 "New Media Corporation"; 87 "Natural MicroSystems"; 88 "Lyrrus Inc"; 89 "Compusic"; )"
    R"(90 "OPTI Computers Inc"; 93 "Dialogic Corporation")";

std::map<int, std::string> publishedTable()
{
    std::map<int, std::string> table;
    const std::regex entry(R"re((\d+)(?: and (\d+))? "([^"]+)")re");
    const std::string text = PublishedManufacturers;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), entry);
         it != std::sregex_iterator(); ++it) {
        table[std::stoi((*it)[1])] = (*it)[3];
        if ((*it)[2].matched)
            table[std::stoi((*it)[2])] = (*it)[3];
    }
    return table;
}

TEST(ManufacturerName, MatchesThePublishedListForEverySixteenBitValue)
{
    const auto table = publishedTable();
    ASSERT_EQ(table.size(), 71u);

    for (int raw = 0; raw <= 0xFFFF; ++raw) {
        const int asSigned = static_cast<std::int16_t>(static_cast<std::uint16_t>(raw));
        const auto found = table.find(asSigned);
        const std::string expected = found == table.end() ? "Unknown" : found->second;
        ASSERT_EQ(manufacturerName(static_cast<std::uint16_t>(raw)), expected) << "identifier " << raw;
    }
}

struct VersionCase {
    std::uint32_t version;
    const char* text;
};

class DriverVersionText : public ::testing::TestWithParam<VersionCase> {};

TEST_P(DriverVersionText, MajorPlainMinorTwoDigits)
{
    EXPECT_EQ(driverVersionText(GetParam().version), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Versions, DriverVersionText,
                         ::testing::Values(VersionCase{0x0501, "5.01"}, VersionCase{0x000A, "0.10"},
                                           VersionCase{0x0000, "0.00"}, VersionCase{0x0A63, "10.99"},
                                           VersionCase{0xFFFF, "255.255"},
                                           // the high word carries nothing
                                           VersionCase{0x12340501, "5.01"},
                                           VersionCase{0xFFFF0000, "0.00"}));

TEST(DeviceInfoTexts, MapperEntry)
{
    MidiDeviceCaps caps;
    caps.manufacturerId = 1;
    caps.productId = 1;
    caps.driverVersion = 0x0501;
    caps.productName = "Microsoft MIDI Mapper";
    caps.technology = MidiTechnology::Mapper;
    caps.voices = 0;
    caps.notes = 0;
    caps.channelMask = 0xFFFF;
    caps.support = MidiSupport::Volume | MidiSupport::Stream;

    const DeviceInfoTexts t = deviceInfoTexts(caps, -1);
    EXPECT_EQ(t.deviceId, "-1");
    EXPECT_EQ(t.manufacturer, "Microsoft Corporation");
    EXPECT_EQ(t.productName, "Microsoft MIDI Mapper");
    EXPECT_EQ(t.productId, "1");
    EXPECT_EQ(t.manufacturerId, "1");
    EXPECT_EQ(t.driverVersion, "5.01");
    EXPECT_EQ(t.channelMask, "65535");
    EXPECT_EQ(t.notes, "0");
    EXPECT_EQ(t.voices, "0");
    EXPECT_EQ(t.volume, "True");
    EXPECT_EQ(t.lrVolume, "False");
    EXPECT_EQ(t.cache, "False");
    EXPECT_EQ(t.stream, "True");
    // technology 5 says "True" beside Mapper only
    EXPECT_EQ(t.midiPort, "False");
    EXPECT_EQ(t.synth, "False");
    EXPECT_EQ(t.squareSynth, "False");
    EXPECT_EQ(t.fmSynth, "False");
    EXPECT_EQ(t.mapper, "True");
}

TEST(DeviceInfoTexts, PortWithLargeUnsignedValuesAndEmbeddedNul)
{
    MidiDeviceCaps caps;
    caps.manufacturerId = 0x8001;  // negative as a signed identifier
    caps.productId = 0xFFFF;
    caps.productName = std::string("jack_midi_dump:input\0garbage", 28);
    caps.technology = MidiTechnology::MidiPort;
    caps.voices = 0xFFFF;
    caps.notes = 40000;
    caps.channelMask = 0x8000;
    caps.support = MidiSupport::LrVolume | MidiSupport::Cache;

    const DeviceInfoTexts t = deviceInfoTexts(caps, 3);
    EXPECT_EQ(t.deviceId, "3");
    EXPECT_EQ(t.manufacturer, "Unknown");
    EXPECT_EQ(t.manufacturerId, "32769");
    EXPECT_EQ(t.productId, "65535");
    EXPECT_EQ(t.productName, "jack_midi_dump:input");
    EXPECT_EQ(t.voices, "65535");
    EXPECT_EQ(t.notes, "40000");
    EXPECT_EQ(t.channelMask, "32768");
    EXPECT_EQ(t.volume, "False");
    EXPECT_EQ(t.lrVolume, "True");
    EXPECT_EQ(t.cache, "True");
    EXPECT_EQ(t.stream, "False");
    EXPECT_EQ(t.midiPort, "True");
    EXPECT_EQ(t.mapper, "False");
}

TEST(DeviceInfoTexts, UnreadableCapabilitiesShowZerosEmptyNameAndUnknown)
{
    const DeviceInfoTexts t = deviceInfoTexts(MidiDeviceCaps{}, 7);
    EXPECT_EQ(t.manufacturer, "Unknown");
    EXPECT_EQ(t.productName, "");
    EXPECT_EQ(t.productId, "0");
    EXPECT_EQ(t.driverVersion, "0.00");
    EXPECT_EQ(t.channelMask, "0");
    for (const std::string* flag : {&t.volume, &t.lrVolume, &t.cache, &t.stream, &t.midiPort,
                                    &t.synth, &t.squareSynth, &t.fmSynth, &t.mapper})
        EXPECT_EQ(*flag, "False");
}

}  // namespace
}  // namespace kelodi
