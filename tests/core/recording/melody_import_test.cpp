// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <cmath>

#include "core/recording/event_notation.h"
#include "core/recording/melody_import.h"

namespace kelodi {
namespace {

// A note of `length` ticks on `channel`, added as a note-on and a note-off.
void note(MidiTrack& track, std::uint64_t at, std::uint64_t length, int pitch, int channel = 0)
{
    track.events.push_back({at, static_cast<std::uint8_t>(0x90 | channel), static_cast<std::uint8_t>(pitch), 100});
    track.events.push_back({at + length, static_cast<std::uint8_t>(0x80 | channel), static_cast<std::uint8_t>(pitch), 0});
    track.endTick = std::max(track.endTick, at + length);
}

void sortTrack(MidiTrack& track)
{
    std::stable_sort(track.events.begin(), track.events.end(),
                     [](const MidiTrackEvent& a, const MidiTrackEvent& b) { return a.tick < b.tick; });
}

// (delay in ms, key) pairs, for readable expectations.
std::vector<std::pair<int, int>> steps(const RecordingEvents& events)
{
    std::vector<std::pair<int, int>> out;
    for (std::size_t i = 0; i < events.size(); ++i)
        out.emplace_back(static_cast<int>(std::lround(events[i].delay * 1000.0)),
                         test::keyOf(events[i]));
    return out;
}

using test::R;

// 480 ticks per quarter at 120 beats per minute: one tick is 1.0417 ms.
MidiFile songWithChordsAndDrums()
{
    MidiFile file;
    file.format = 1;
    file.division.ticksPerQuarter = 480;
    MidiTrack melody;
    // Melody C5 D5 E5 (72, 74, 76), each a quarter, over held C major chords.
    for (int i = 0; i < 3; ++i) {
        note(melody, i * 480, 480, 72 + 2 * i);
        note(melody, i * 480, 960, 60);
        note(melody, i * 480, 960, 64);
    }
    sortTrack(melody);
    MidiTrack drums;
    for (int i = 0; i < 24; ++i)
        note(drums, i * 60, 30, 42, 9);
    sortTrack(drums);
    file.tracks = {drums, melody};
    return file;
}

TEST(MelodyImport, TakesTheTopLineOfTheMelodyNotTheBusierDrums)
{
    const std::optional<MelodyImport> imported = importMelody(songWithChordsAndDrums(), {});
    ASSERT_TRUE(imported);
    EXPECT_EQ(imported->report.track, 2);
    EXPECT_EQ(imported->report.notesTaken, 9u);
    EXPECT_EQ(imported->report.melodyNotes, 3u);
    // 72..76 lie on the keys already: nothing moves.
    EXPECT_EQ(imported->report.octaveShift, 0);
    // Legato quarters: each release comes at the next onset, the press right after.
    EXPECT_EQ(steps(imported->events),
              (std::vector<std::pair<int, int>>{{0, 36}, {500, R}, {0, 38}, {500, R}, {0, 40}, {500, R}}));
}

TEST(MelodyImport, FollowsTempoChangesToTheMillisecondWithoutDrift)
{
    MidiFile file;
    file.division.ticksPerQuarter = 96;
    MidiTrack track;
    // 100 notes a third of a quarter long (32 ticks) with gaps of 32 ticks;
    // the tempo halves at tick 3200.
    for (int i = 0; i < 100; ++i)
        note(track, i * 64, 32, 60);
    sortTrack(track);
    file.tracks = {track};
    file.tempoChanges = {{0, 500'000}, {3200, 250'000}};
    const std::optional<MelodyImport> imported = importMelody(file, {});
    ASSERT_TRUE(imported);
    // Note i starts at i * 333.333 ms before the change, 16666.667 ms + (i - 50) * 166.667 after.
    double clock = 0;
    for (std::size_t i = 0; i < 100; ++i) {
        clock += imported->events[2 * i].delay;
        const double expected = i < 50 ? i * 1000.0 / 3.0 : 50000.0 / 3.0 + (i - 50) * 500.0 / 3.0;
        EXPECT_NEAR(clock * 1000.0, expected, 0.5 + 1e-3) << "note " << i;
        clock += imported->events[2 * i + 1].delay;
    }
}

TEST(MelodyImport, MovesTheLineByOctavesAndFoldsTheRest)
{
    MidiFile file;
    file.division.ticksPerQuarter = 100;
    MidiTrack track;
    // Mostly two octaves above the keys (96..100), one note far below.
    const int pitches[] = {96, 98, 100, 12, 103};
    for (int i = 0; i < 5; ++i)
        note(track, i * 100, 50, pitches[i]);
    sortTrack(track);
    file.tracks = {track};
    const std::optional<MelodyImport> imported = importMelody(file, {});
    ASSERT_TRUE(imported);
    EXPECT_EQ(imported->report.octaveShift, -24);
    EXPECT_EQ(imported->report.foldedNotes, 1u);
    std::vector<int> keys;
    for (std::size_t i = 0; i < imported->events.size(); i += 2)
        keys.push_back(test::keyOf(imported->events[i]));
    // 12 - 24 = -12 folds up to 36 (key 0); 103 - 24 = 79 is the top key.
    EXPECT_EQ(keys, (std::vector<int>{36, 38, 40, 0, 43}));
}

MelodySource source(std::optional<int> track, std::optional<int> channel)
{
    MelodySource chosen;
    chosen.track = track;
    chosen.channel = channel;
    return chosen;
}

TEST(MelodyImport, ChosenTrackOrChannelAndWhatTheFileLacks)
{
    const MidiFile file = songWithChordsAndDrums();
    // The percussion channel only when asked for.
    std::optional<MelodyImport> drums = importMelody(file, source(std::nullopt, 9));
    ASSERT_TRUE(drums);
    EXPECT_EQ(drums->report.track, 1);
    EXPECT_EQ(drums->report.melodyNotes, 24u);
    std::optional<MelodyImport> onlyDrumTrack = importMelody(file, source(1, std::nullopt));
    ASSERT_TRUE(onlyDrumTrack);
    EXPECT_TRUE(onlyDrumTrack->events.empty());

    std::string error;
    EXPECT_FALSE(importMelody(file, source(3, std::nullopt), &error));
    EXPECT_EQ(error, "no track 3 (the file has 2 tracks)");
    EXPECT_FALSE(importMelody(file, source(std::nullopt, 16), &error));
    EXPECT_FALSE(importMelody(file, source(0, std::nullopt), &error));
}

TEST(MelodyImport, ChordNotesSpreadOverSomeMillisecondsCountAsOneOnset)
{
    MidiFile file;
    file.division.ticksPerQuarter = 500;  // 1 ms per tick
    MidiTrack track;
    // A chord strummed 12 ms a note, its top in the middle.
    note(track, 0, 400, 60);
    note(track, 12, 400, 67);
    note(track, 24, 400, 64);
    note(track, 500, 100, 62);  // then a note of its own after a rest
    track.events.push_back({700, 0x90, 65, 100});  // never ended: ends with the track
    track.endTick = 900;
    sortTrack(track);
    file.tracks = {track};
    const std::optional<MelodyImport> imported = importMelody(file, {});
    ASSERT_TRUE(imported);
    EXPECT_EQ(steps(imported->events),
              (std::vector<std::pair<int, int>>{{0, 31}, {412, R}, {88, 26}, {100, R}, {100, 29}, {200, R}}));
}

// An onset lasts SameOnsetSeconds from its first note, however many notes
// follow each other closer than that: a fast run is not one long chord.
TEST(MelodyImport, AFastRunIsNoChord)
{
    MidiFile file;
    file.division.ticksPerQuarter = 500;  // 1 ms per tick
    MidiTrack track;
    // 40 notes 25 ms apart, each 20 ms long, low and high in turn.
    for (int i = 0; i < 40; ++i)
        note(track, static_cast<std::uint64_t>(25 * i), 20, 60 + 4 * (i % 2));
    sortTrack(track);
    file.tracks = {track};
    const std::optional<MelodyImport> imported = importMelody(file, {});
    ASSERT_TRUE(imported);
    // Each pair is an onset: the high note, held to its end 45 ms after the
    // pair began; the next pair 50 ms after the one before.
    std::vector<std::pair<int, int>> expected;
    for (int pair = 0; pair < 20; ++pair) {
        expected.emplace_back(pair == 0 ? 0 : 5, 28);
        expected.emplace_back(45, R);
    }
    EXPECT_EQ(steps(imported->events), expected);
    EXPECT_EQ(imported->report.melodyNotes, 20u);
}

}  // namespace
}  // namespace kelodi
