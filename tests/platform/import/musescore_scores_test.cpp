// SPDX-License-Identifier: GPL-3.0-or-later
// MusicXML written by a real notation program: MuseScore 3's demo scores,
// exported by MuseScore as MusicXML and as MIDI (musescore/regenerate.sh).
// The notes read from the MusicXML must be the notes MuseScore plays: the
// same pitches, starting within 5 ms, and lasting at least as long (MuseScore
// plays staccato and accented notes shorter than written, never longer).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/midi/midi_file.h"
#include "platform/import/musicxml_reader.h"

namespace kelodi {
namespace {

constexpr double OnsetTolerance = 0.005;

const std::string DataFolder = std::string(KELODI_IMPORT_TEST_DATA) + "/musescore/";

struct Sound {
    double start = 0;
    double end = 0;
    int pitch = 0;

    std::string text() const
    {
        std::ostringstream out;
        out.precision(4);
        out << std::fixed << start << "-" << end << " p" << pitch;
        return out.str();
    }
};

bool byStart(const Sound& a, const Sound& b)
{
    return a.start < b.start || (a.start == b.start && a.pitch < b.pitch);
}

// The notes of a MIDI file: each note-on with the next note-off of its pitch
// and channel.
std::vector<Sound> midiSounds(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string error;
    const std::optional<MidiFile> file = parseMidiFile(bytes, &error);
    EXPECT_TRUE(file) << path << ": " << error;
    if (!file)
        return {};
    const TempoMap tempo(*file);
    std::vector<Sound> sounds;
    for (const MidiTrack& track : file->tracks) {
        std::map<int, std::size_t> sounding;  // channel * 128 + pitch → index in sounds
        for (const MidiTrackEvent& e : track.events) {
            const int kind = e.status & 0xF0;
            const int key = (e.status & 0x0F) * 128 + e.data1;
            if (kind == 0x90 && e.data2 > 0) {
                sounding[key] = sounds.size();
                sounds.push_back({tempo.seconds(e.tick), tempo.seconds(e.tick), e.data1});
            } else if ((kind == 0x80 || kind == 0x90) && sounding.count(key)) {
                sounds[sounding[key]].end = tempo.seconds(e.tick);
                sounding.erase(key);
            }
        }
    }
    std::sort(sounds.begin(), sounds.end(), byStart);
    return sounds;
}

// The notes of the song as one MIDI channel per part sounds them: a note
// that starts while another voice of its part holds the same pitch is not
// struck again.
std::vector<Sound> songSounds(const ImportedSong& song)
{
    std::map<int, std::vector<Sound>> byTrack;
    for (const ImportedPart& part : song.parts)
        for (const ImportedNote& note : part.notes)
            byTrack[part.track].push_back({note.start, note.end, note.pitch});
    std::vector<Sound> sounds;
    for (auto& entry : byTrack) {
        std::vector<Sound>& notes = entry.second;
        std::sort(notes.begin(), notes.end(), byStart);
        for (std::size_t i = 0; i < notes.size(); ++i) {
            const Sound& next = notes[i];
            const bool held = std::any_of(notes.begin(), notes.begin() + static_cast<std::ptrdiff_t>(i), [&](const Sound& s) {
                return s.pitch == next.pitch && s.end > next.start + OnsetTolerance;
            });
            if (!held)
                sounds.push_back(notes[i]);
        }
    }
    std::sort(sounds.begin(), sounds.end(), byStart);
    return sounds;
}

// Where MuseScore 3.2 and the notation part ways: a tie whose two notes do
// not play one after the other, because a repeat or a jump comes between
// them. MuseScore holds the first note for the whole tie anyway and leaves
// the second silent; the reader ends the first note where it is written to
// end and strikes the second, as a player does.
struct DemoScore {
    std::string name;
    std::string extension;
    std::vector<std::string> onlyInMusicXml;      // the second notes of such ties
    std::vector<std::string> endsBeforeMuseScore;  // the first notes
};

void PrintTo(const DemoScore& demo, std::ostream* out)
{
    *out << demo.name << demo.extension;
}

class MuseScoreDemo : public ::testing::TestWithParam<DemoScore> {};

TEST_P(MuseScoreDemo, PlaysTheNotesMuseScorePlays)
{
    const DemoScore& demo = GetParam();
    const ImportedSong song = readMusicXmlFile(DataFolder + demo.name + demo.extension);
    ASSERT_TRUE(song.ok()) << song.error;
    const std::vector<Sound> played = midiSounds(DataFolder + demo.name + ".mid");
    const std::vector<Sound> read = songSounds(song);
    ASSERT_FALSE(played.empty());

    std::vector<bool> matched(read.size(), false);
    std::vector<std::string> missing;
    std::vector<std::string> shorter;
    for (const Sound& m : played) {
        std::size_t best = read.size();
        for (std::size_t i = 0; i < read.size(); ++i) {
            if (matched[i] || read[i].pitch != m.pitch || std::abs(read[i].start - m.start) > OnsetTolerance)
                continue;
            if (best == read.size() || std::abs(read[i].start - m.start) < std::abs(read[best].start - m.start))
                best = i;
        }
        if (best == read.size()) {
            missing.push_back(m.text());
            continue;
        }
        matched[best] = true;
        if (read[best].end < m.end - OnsetTolerance)
            shorter.push_back(read[best].text() + " (MuseScore " + m.text() + ")");
    }
    std::vector<std::string> extra;
    for (std::size_t i = 0; i < read.size(); ++i)
        if (!matched[i])
            extra.push_back(read[i].text());

    EXPECT_EQ(missing, std::vector<std::string>{}) << "notes MuseScore plays that the song lacks";
    EXPECT_EQ(shorter, demo.endsBeforeMuseScore) << "notes that end before MuseScore ends them";
    EXPECT_EQ(extra, demo.onlyInMusicXml);
}

INSTANTIATE_TEST_SUITE_P(
    Demos, MuseScoreDemo,
    ::testing::Values(DemoScore{"Fugue_1", ".mxl", {}, {}},
                      DemoScore{"Dynamic_Strings", ".mxl", {}, {}},
                      DemoScore{"Reunion", ".mxl", {}, {}},
                      // The trumpet's tie into the coda, across the jump.
                      DemoScore{"Brassed_Up", ".mxl", {"27.3034-27.4719 p68"},
                                {"26.2921-26.9663 p68 (MuseScore 26.2921-27.6397 p68)"}},
                      // A tie from the pickup into bar 1, played again after
                      // the repeat; a tie into the first ending, played again
                      // before the second.
                      DemoScore{"Unclaimed_Gift", ".mxl", {"16.7500-18.2500 p71", "26.7500-27.0000 p62"},
                                {"26.5000-26.7500 p62 (MuseScore 26.5000-26.9865 p62)"}},
                      DemoScore{"Unclaimed_Gift", ".musicxml", {"16.7500-18.2500 p71", "26.7500-27.0000 p62"},
                                {"26.5000-26.7500 p62 (MuseScore 26.5000-26.9865 p62)"}}),
    [](const ::testing::TestParamInfo<DemoScore>& info) {
        return info.param.name + (info.param.extension == ".mxl" ? "_mxl" : "_musicxml");
    });

// What the score says besides its notes, from the same files.
TEST(MuseScoreDemoFacts, KeyTimeTempoPartsAndBars)
{
    const ImportedSong brass = readMusicXmlFile(DataFolder + "Brassed_Up.mxl");
    ASSERT_TRUE(brass.ok()) << brass.error;
    EXPECT_EQ(brass.title, "Brassed Up");
    // The trumpet is written in B♭ major; the band sounds in A♭ major.
    EXPECT_EQ(brass.key, (KeySignature{-4, false}));
    EXPECT_EQ(brass.time, (TimeSignature{2, 2}));
    EXPECT_NEAR(brass.beatSeconds, 60.0 / 178 * 2, 1e-6);  // half note = 89
    ASSERT_GE(brass.parts.size(), 3u);
    EXPECT_EQ(brass.parts[0].name, "B♭ Trumpet");
    EXPECT_EQ(brass.parts[0].program, 56);
    EXPECT_EQ(brass.parts[0].track, 1);
    EXPECT_EQ(brass.parts[0].voice, 1);  // the trumpet writes a second voice once
    EXPECT_EQ(brass.parts[1].voice, 2);
    EXPECT_EQ(brass.parts[2].name, "Trombone");
    EXPECT_EQ(brass.parts[2].track, 2);
    EXPECT_EQ(brass.parts[2].voice, 0);

    // A pickup of three eighths, then bars of 4/4 at 120; the repeat with
    // two endings and the jump to the coda play 45 bars.
    const ImportedSong gift = readMusicXmlFile(DataFolder + "Unclaimed_Gift.mxl");
    ASSERT_TRUE(gift.ok()) << gift.error;
    EXPECT_EQ(gift.key, (KeySignature{-3, false}));
    EXPECT_EQ(gift.time, (TimeSignature{4, 4}));
    ASSERT_EQ(gift.barStarts.size(), 45u);
    EXPECT_DOUBLE_EQ(gift.barStarts[0], 0.0);
    EXPECT_DOUBLE_EQ(gift.barStarts[1], 0.75);
    EXPECT_DOUBLE_EQ(gift.barStarts[2], 2.75);
}

}  // namespace
}  // namespace kelodi
