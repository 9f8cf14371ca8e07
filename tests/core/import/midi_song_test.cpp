// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/import/midi_song.h"
#include "core/text/text_codec.h"

namespace kelodi {
namespace {

using namespace std::string_literals;

std::string bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out.push_back(static_cast<char>(v));
    return out;
}

std::string chunk(const std::string& body)
{
    const auto n = static_cast<std::uint32_t>(body.size());
    return "MTrk" + bytes({int(n >> 24), int((n >> 16) & 0xFF), int((n >> 8) & 0xFF), int(n & 0xFF)}) + body;
}

std::string meta(int type, const std::string& data)
{
    return bytes({0xFF, type, static_cast<int>(data.size())}) + data;
}

// Names in GBK, as Chinese sequencers write them: "旋律" is D0FD C2C9.
class GbkNames : public TextCodec {
public:
    std::string gbkToUtf8(std::string_view gbk) const override
    {
        return gbk == "\xD0\xFD\xC2\xC9" ? "旋律" : "\xEF\xBF\xBD";
    }
    std::optional<std::string> utf8ToGbk(std::string_view) const override { return std::nullopt; }
};

// Times to the microsecond, so that a whole part compares at once.
ImportedPart rounded(ImportedPart part)
{
    for (ImportedNote& note : part.notes) {
        note.start = std::round(note.start * 1e6) / 1e6;
        note.end = std::round(note.end * 1e6) / 1e6;
    }
    return part;
}

TEST(MidiSong, PartsPerTrackAndChannelWithNamesProgramsAndSignatures)
{
    // 480 ticks a quarter at 0.6 s a quarter, in 3/4 and B flat major.
    const std::string conductor = bytes({0}) + meta(0x03, "Song") + bytes({0}) + meta(0x51, bytes({0x09, 0x27, 0xC0})) +
                                  bytes({0}) + meta(0x58, bytes({3, 2, 24, 8})) + bytes({0}) +
                                  meta(0x59, bytes({0xFE, 0})) + bytes({0}) + meta(0x2F, "");
    // Two channels in one track: a melody on 0, a held note on 1, whose
    // program comes from another track. The running status carries on.
    const std::string band = bytes({0}) + meta(0x03, "\xD0\xFD\xC2\xC9\0\0"s) + bytes({0}) + meta(0x04, "Flauto ") +
                             bytes({0, 0xC0, 73, 0, 0x90, 72, 100, 0, 0x91, 52, 90}) +
                             bytes({0x83, 0x60, 0x80, 72, 0, 0, 0x90, 74, 100}) +  // +480 ticks
                             bytes({0x83, 0x60, 74, 0, 0, 0x81, 52, 0}) +          // +480: D5 off, E3 off
                             bytes({0x86, 0x3C, 0x90, 76, 100}) +                  // +828: E5, never ended
                             bytes({0x60, 0xFF, 0x2F, 0});                         // the track ends 96 later
    const std::string programs = bytes({0, 0xC1, 33, 0}) + meta(0x03, "Caf\xE9") + bytes({0}) + meta(0x2F, "");
    const std::string file = "MThd" + bytes({0, 0, 0, 6, 0, 1, 0, 3, 0x01, 0xE0}) + chunk(conductor) +
                             chunk(band) + chunk(programs);
    std::string error;
    const std::optional<MidiFile> midi = parseMidiFile(file, &error);
    ASSERT_TRUE(midi) << error;
    EXPECT_EQ(midi->tracks[2].name, "Caf\xE9");

    const GbkNames gbk;
    const ImportedSong song = midiSong(*midi, &gbk);
    ASSERT_TRUE(song.ok());
    EXPECT_EQ(song.title, "Song");
    ImportedPart melody;
    melody.name = "旋律";
    melody.instrument = "Flauto";
    melody.program = 73;
    melody.channel = 0;
    melody.track = 2;
    melody.notes = {{0, 0.6, 72, 100}, {0.6, 1.2, 74, 100}, {2.235, 2.355, 76, 100}};
    ImportedPart held = melody;
    held.program = 33;
    held.channel = 1;
    held.notes = {{0, 1.2, 52, 90}};
    ASSERT_EQ(song.parts.size(), 2u);
    EXPECT_EQ(rounded(song.parts[0]), melody);
    EXPECT_EQ(rounded(song.parts[1]), held);
    EXPECT_EQ(song.key, (KeySignature{-2, false}));
    EXPECT_EQ(song.time, (TimeSignature{3, 4}));
    EXPECT_DOUBLE_EQ(song.beatSeconds, 0.6);
    // Bars of 1.8 s up to the last event at 2.355 s.
    ASSERT_EQ(song.barStarts.size(), 2u);
    EXPECT_NEAR(song.barStarts[1], 1.8, 1e-9);

    // Without a codec the GBK name is read as Latin-1: nothing is lost,
    // nothing invalid reaches the window.
    EXPECT_EQ(midiSong(*midi).parts[0].name, "\xC3\x90\xC3\xBD\xC3\x82\xC3\x89");
}

}  // namespace
}  // namespace kelodi
