// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "core/midi/short_message.h"

namespace kelodi {
namespace {

struct PackCase {
    const char* what;
    ShortMessage message;
    ShortMessage expected;  // bytes lowest first: status, data1, data2, 0
};

class PackingTest : public ::testing::TestWithParam<PackCase> {};

TEST_P(PackingTest, PacksKindChannelAndDataLowestByteFirst)
{
    EXPECT_EQ(GetParam().message, GetParam().expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Catalogue, PackingTest,
    ::testing::Values(
        PackCase{"note on 60, channel 0", noteOnMessage(0, 60), 0x00643C90u},
        PackCase{"note off 60, channel 0", noteOffMessage(0, 60), 0x00003C80u},
        PackCase{"note on 0, channel 15", noteOnMessage(15, 0), 0x0064009Fu},
        PackCase{"note on 127, channel 9", noteOnMessage(9, 127), 0x00647F99u},
        PackCase{"program 9 on channel 3", programChangeMessage(3, 9), 0x000009C3u},
        PackCase{"program 127 on channel 15", programChangeMessage(15, 127), 0x00007FCFu},
        PackCase{"sustain on, channel 15", controlChangeMessage(15, Controller::Sustain, 127), 0x007F40BFu},
        PackCase{"sustain off, channel 15", controlChangeMessage(15, Controller::Sustain, 0), 0x000040BFu},
        PackCase{"pan centre, channel 0", controlChangeMessage(0, Controller::Pan, 64), 0x00400AB0u},
        PackCase{"volume 100, channel 0", controlChangeMessage(0, Controller::Volume, 100), 0x006407B0u},
        PackCase{"reverb 0, channel 1", controlChangeMessage(1, Controller::Reverb, 0), 0x00005BB1u},
        PackCase{"chorus 127, channel 2", controlChangeMessage(2, Controller::Chorus, 127), 0x007F5DB2u},
        PackCase{"modulation 5, channel 4", controlChangeMessage(4, Controller::Modulation, 5), 0x000501B4u}));

TEST(ShortMessage, ArithmeticFormMatchesTheOperations)
{
    // kind + channel + data1 * 256 + data2 * 65536, as the key handlers build it.
    for (int channel = 0; channel < 16; ++channel) {
        for (int note = 0; note < 128; ++note) {
            const ShortMessage word = static_cast<ShortMessage>(note) * 256u;
            ASSERT_EQ(noteOnMessage(channel, note), word + 100u * 65536u + 0x90u + static_cast<ShortMessage>(channel));
            ASSERT_EQ(noteOffMessage(channel, note), word + 0x80u + static_cast<ShortMessage>(channel));
        }
    }
}

TEST(ShortMessage, OutOfRangeFieldsNeverSpillIntoNeighbouringBytes)
{
    EXPECT_EQ(packShortMessage(MidiKind::NoteOn, 16, 60, 100), noteOnMessage(0, 60));
    EXPECT_EQ(dataByte2(packShortMessage(MidiKind::NoteOn, 0, 200, 0)), 0);
    EXPECT_EQ(dataByte1(noteOnMessage(0, 60)), 60);
    EXPECT_EQ(dataByte2(noteOnMessage(0, 60)), 100);
    EXPECT_EQ(packShortMessage(MidiKind::ControlChange, 0, 7, 128) >> 24, 0u);
}

TEST(ShortMessage, WireLengthFollowsTheKind)
{
    EXPECT_EQ(shortMessageLength(noteOnMessage(0, 60)), 3);
    EXPECT_EQ(shortMessageLength(noteOffMessage(0, 60)), 3);
    EXPECT_EQ(shortMessageLength(controlChangeMessage(0, 7, 1)), 3);
    EXPECT_EQ(shortMessageLength(programChangeMessage(0, 1)), 2);
}

}  // namespace
}  // namespace kelodi
