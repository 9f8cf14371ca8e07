// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>

#include "core/midi/midi_file.h"
#include "core/midi/smf_bytes.h"

namespace kelodi {
namespace {

using test::bytes;
using test::smf;

TEST(MidiFileWriter, WritesFormatZeroWithMillisecondTicksByteForByte)
{
    const std::vector<TimedMessage> messages = {
        {0.0, programChangeMessage(2, 9)},
        {0.1, noteOnMessage(2, 60)},
        {0.6004, noteOffMessage(2, 60)},  // rounds to tick 600
        {0.6, noteOnMessage(2, 64)},      // rounds to the same tick, keeps its place
        {0.0, 0xF8},                      // not a channel message: left out
    };
    const std::string expected =
        "MThd" + bytes({0, 0, 0, 6, 0, 0, 0, 1, 0x03, 0xE8}) + "MTrk" + bytes({0, 0, 0, 28}) +
        bytes({0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40,  // 1,000,000 µs per quarter
               0x00, 0xC2, 0x09,                          // program 9 on channel 2
               0x64, 0x92, 0x3C, 0x64,                    // +100 ticks
               0x83, 0x74, 0x82, 0x3C, 0x00,              // +500 ticks, two-byte delta
               0x00, 0x92, 0x40, 0x64,                    //
               0x87, 0x68, 0xFF, 0x2F, 0x00});            // end of track 1 s after
    EXPECT_EQ(encodeMidiFile(messages, 1.6), expected);
}

TEST(MidiFileWriter, WhatItWritesReadsBackAtTheSameTimes)
{
    std::vector<TimedMessage> messages;
    for (int i = 0; i < 50; ++i) {
        messages.push_back({i * 0.137, noteOnMessage(i % 16, 40 + i)});
        messages.push_back({i * 0.137 + 0.05, noteOffMessage(i % 16, 40 + i)});
    }
    // A pause longer than one delta time can hold (0x0FFFFFFF ticks, 74 hours).
    messages.push_back({300000.0, noteOnMessage(0, 100)});
    const std::optional<MidiFile> file = parseMidiFile(encodeMidiFile(messages, 300001.0));
    ASSERT_TRUE(file);
    ASSERT_EQ(file->tracks.size(), 1u);
    const TempoMap tempo(*file);
    const std::vector<MidiTrackEvent>& events = file->tracks[0].events;
    ASSERT_EQ(events.size(), messages.size());
    for (std::size_t i = 0; i < events.size(); ++i) {
        EXPECT_NEAR(tempo.seconds(events[i].tick), messages[i].seconds, 0.0005) << i;
        EXPECT_EQ(events[i].status, statusByte(messages[i].message)) << i;
        EXPECT_EQ(events[i].data1, dataByte1(messages[i].message)) << i;
    }
    EXPECT_EQ(file->tracks[0].endTick, 300'001'000u);
}

TEST(MidiFileReader, RunningStatusTempoChangesAndTracksShareOneTempoMap)
{
    // Track 1: tempo 500,000 at 0, 250,000 at tick 192. Track 2: running
    // status, note-on with velocity 0 as note-off, a sysex and a text event.
    const std::string tempoTrack = bytes({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x81, 0x40, 0xFF, 0x51, 0x03,
                                          0x03, 0xD0, 0x90, 0x00, 0xFF, 0x2F, 0x00});
    const std::string notes = bytes({0x00, 0x91, 0x3C, 0x64, 0x60, 0x3C, 0x00, 0x00, 0xF0, 0x02, 0x7E, 0xF7,
                                     0x00, 0xFF, 0x01, 0x02, 'h', 'i', 0x81, 0x40, 0x3E, 0x50, 0x00, 0xFF, 0x2F, 0x00,
                                     0x12, 0x34});  // bytes after the end of the track are read over
    std::string error;
    const std::optional<MidiFile> file = parseMidiFile(smf(1, 96, {tempoTrack, notes}), &error);
    ASSERT_TRUE(file) << error;
    ASSERT_EQ(file->tracks.size(), 2u);
    const std::vector<MidiTrackEvent>& events = file->tracks[1].events;
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1].status, 0x91);
    EXPECT_EQ(events[1].data2, 0);
    EXPECT_EQ(events[2].tick, 288u);
    EXPECT_EQ(events[2].data1, 0x3E);
    const TempoMap tempo(*file);
    EXPECT_DOUBLE_EQ(tempo.seconds(96), 0.5);
    EXPECT_DOUBLE_EQ(tempo.seconds(192), 1.0);
    EXPECT_DOUBLE_EQ(tempo.seconds(288), 1.25);
}

TEST(MidiFileReader, SmpteDivisionCountsAbsoluteTime)
{
    const std::string track = bytes({0x00, 0x90, 0x3C, 0x64, 0x87, 0x68, 0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00});
    // -25 frames per second, 40 ticks per frame: 1000 ticks per second; a
    // tempo event changes nothing.
    std::optional<MidiFile> file = parseMidiFile(smf(0, 0xE728, {track}));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->division.framesPerSecond, 25);
    EXPECT_DOUBLE_EQ(TempoMap(*file).seconds(1000), 1.0);
    // -29 stands for 29.97 frames per second: 3000 ticks take 1.001 s.
    file = parseMidiFile(smf(0, 0xE364, {track}));
    ASSERT_TRUE(file);
    EXPECT_NEAR(TempoMap(*file).seconds(3000), 1.001, 1e-9);
}

struct Malformed {
    const char* what;
    std::string bytes;
    const char* reason;
};

void PrintTo(const Malformed& m, std::ostream* os)
{
    *os << m.what;
}

class MalformedMidiFile : public ::testing::TestWithParam<Malformed> {};

TEST_P(MalformedMidiFile, IsRefusedWithAReason)
{
    std::string error;
    EXPECT_FALSE(parseMidiFile(GetParam().bytes, &error));
    EXPECT_NE(error.find(GetParam().reason), std::string::npos) << error;
}

const std::string End = bytes({0x00, 0xFF, 0x2F, 0x00});

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedMidiFile,
    ::testing::Values(
        Malformed{"empty", "", "no MThd"},
        Malformed{"short header", "MThd" + bytes({0, 0, 0, 6, 0, 0}), "cut short"},
        Malformed{"format 2", smf(2, 96, {End}), "format 2"},
        Malformed{"no tracks", smf(0, 96, {}, 0), "no track"},
        Malformed{"zero division", smf(0, 0, {End}), "division of 0"},
        Malformed{"bad SMPTE rate", smf(0, 0xE028, {End}), "SMPTE"},
        Malformed{"missing track", smf(1, 96, {End}, 2), "1 of 2 tracks"},
        Malformed{"chunk past the end", smf(0, 96, {End}).substr(0, 24), "runs past the end of the file"},
        Malformed{"running status without status", smf(0, 96, {bytes({0x00, 0x3C, 0x64})}), "running status"},
        Malformed{"message cut short", smf(0, 96, {bytes({0x00, 0x90, 0x3C})}), "inside a channel message"},
        Malformed{"data byte above 127", smf(0, 96, {bytes({0x00, 0x90, 0x3C, 0x90})}), "above 127"},
        Malformed{"five-byte delta", smf(0, 96, {bytes({0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 0x3C, 0x64})}),
                  "four bytes"},
        Malformed{"delta at the end", smf(0, 96, {bytes({0x00, 0x90, 0x3C, 0x64, 0x10})}), "delta time"},
        Malformed{"meta past the track", smf(0, 96, {bytes({0x00, 0xFF, 0x01, 0x20, 'x'})}), "past the end of the track"},
        Malformed{"system real-time byte", smf(0, 96, {bytes({0x00, 0xF8})}), "has no place"}),
    [](const ::testing::TestParamInfo<Malformed>& info) {
        std::string name = info.param.what;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

}  // namespace
}  // namespace kelodi
