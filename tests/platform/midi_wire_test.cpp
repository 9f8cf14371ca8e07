// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>

#include "platform/midi/device_catalog.h"
#include "platform/midi/midi_wire.h"
#include "platform/midi/system_ports.h"

namespace kelodi {
namespace {

struct WireCase {
    ShortMessage message;
    int length;
};

void PrintTo(const WireCase& c, std::ostream* os)
{
    char text[32];
    std::snprintf(text, sizeof text, "%08X->%d", static_cast<unsigned>(c.message), c.length);
    *os << text;
}

class WireLengthTest : public ::testing::TestWithParam<WireCase> {};

TEST_P(WireLengthTest, CountsTheBytesAPortPutsOnTheWire)
{
    EXPECT_EQ(wireLength(GetParam().message), GetParam().length);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, WireLengthTest,
    ::testing::Values(WireCase{0x00643C90, 3},  // note-on 60 velocity 100
                      WireCase{0x00003C80, 3},  // note-off
                      WireCase{0x000009C3, 2},  // program change: one data byte
                      WireCase{0x007F40BF, 3},  // sustain on, channel 15
                      WireCase{0x000040D0, 2},  // channel pressure
                      WireCase{0x00400EE0, 3},  // pitch bend
                      WireCase{0x000000F8, 1},  // clock
                      WireCase{0x000005F3, 2},  // song select
                      // What no port may pass on:
                      WireCase{0x00643C10, 0},   // no status byte
                      WireCase{0x00803C90, 0},   // velocity with the status bit
                      WireCase{0x0064BC90, 0},   // note with the status bit
                      WireCase{0x000000F0, 0},   // sysex does not fit
                      WireCase{0x000000F7, 0},
                      WireCase{0x000000F4, 0}));  // undefined

// The second data byte of a two-byte message is not sent, so whatever it
// holds does not make the message malformed.
TEST(WireLength, IgnoresTheUnusedByteOfShortMessages)
{
    EXPECT_EQ(wireLength(0x00FF09C3), 2);
}

TEST(SoundingNotes, ReleasesExactlyWhatIsStillOnThenForgetsIt)
{
    SoundingNotes notes;
    notes.track(noteOnMessage(0, 64));
    notes.track(noteOnMessage(0, 60));
    notes.track(noteOnMessage(5, 70));
    notes.track(noteOnMessage(9, 36));
    notes.track(noteOffMessage(9, 36));
    notes.track(packShortMessage(MidiKind::NoteOn, 5, 71, 100));
    notes.track(packShortMessage(MidiKind::NoteOn, 5, 71, 0));  // note-on velocity 0 is a note-off
    notes.track(controlChangeMessage(3, Controller::Sustain, 127));
    notes.track(controlChangeMessage(4, Controller::Sustain, 127));
    notes.track(controlChangeMessage(4, Controller::Sustain, 0));
    notes.track(noteOnMessage(7, 50));
    notes.track(controlChangeMessage(7, SoundingNotes::AllNotesOff, 0));

    EXPECT_EQ(notes.releaseAll(), (std::vector<ShortMessage>{noteOffMessage(0, 60), noteOffMessage(0, 64),
                                                             noteOffMessage(5, 70),
                                                             controlChangeMessage(3, 64, 0)}));
    EXPECT_TRUE(notes.empty());
    EXPECT_TRUE(notes.releaseAll().empty());
}

TEST(SilenceEveryChannel, LiftsSustainAndStopsNotesOnAllSixteenChannels)
{
    const auto messages = silenceEveryChannel();
    ASSERT_EQ(messages.size(), 32u);
    EXPECT_EQ(messages[0], 0x000040B0u);
    EXPECT_EQ(messages[1], 0x00007BB0u);
    EXPECT_EQ(messages[31], 0x00007BBFu);
}

TEST(ProductName, IsCutToThirtyOneBytesOnACharacterBoundary)
{
    EXPECT_EQ(truncateProductName("short:input"), "short:input");
    const std::string exact(31, 'x');
    EXPECT_EQ(truncateProductName(exact + "yz"), exact);
    // 29 ASCII bytes, then a three-byte character straddling the limit.
    const std::string name = std::string(29, 'a') + "\xE9\x9F\xB3" + "b";
    EXPECT_EQ(truncateProductName(name), std::string(29, 'a'));
}

}  // namespace
}  // namespace kelodi
