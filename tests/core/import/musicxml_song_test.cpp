// SPDX-License-Identifier: GPL-3.0-or-later
// How a MusicXML score plays out: scores built as the reader builds them,
// songs compared whole. At the default tempo a quarter note is 0.5 s.

#include <gtest/gtest.h>

#include <vector>

#include "core/import/musicxml_score.h"

namespace kelodi {
namespace {

constexpr int C4 = 60, D4 = 62, E4 = 64, F4 = 65, G4 = 67, C5 = 72, D5 = 74, E5 = 76;

MusicXmlNote note(int pitch, int duration, int voice = 1)
{
    MusicXmlNote n;
    n.pitch = pitch;
    n.duration = duration;
    n.voice = voice;
    return n;
}

MusicXmlNote chordNote(int pitch, int duration)
{
    MusicXmlNote n = note(pitch, duration);
    n.chord = true;
    return n;
}

MusicXmlNote tied(MusicXmlNote n, bool start, bool stop)
{
    n.tieStart = start;
    n.tieStop = stop;
    return n;
}

MusicXmlMeasure measure(std::vector<MusicXmlEvent> events)
{
    MusicXmlMeasure m;
    m.events = std::move(events);
    return m;
}

MusicXmlScore onePart(std::vector<MusicXmlMeasure> measures)
{
    MusicXmlScore score;
    score.parts.emplace_back().measures = std::move(measures);
    score.parts.front().measures.front().events.insert(score.parts.front().measures.front().events.begin(),
                                                        MusicXmlDivisions{1});
    return score;
}

ImportedNote sounding(double start, double end, int pitch)
{
    return {start, end, pitch, 80};
}

std::vector<ImportedNote> notesOf(const ImportedSong& song, std::size_t part = 0)
{
    EXPECT_TRUE(song.ok()) << song.error;
    return part < song.parts.size() ? song.parts[part].notes : std::vector<ImportedNote>{};
}

TEST(MusicXmlSong, TiesJoinAcrossBarLinesOnlyTheNotesTheyTie)
{
    // | C4 E4+G4 (E4 tied on) | E4 (tied) G4 D4 |
    const MusicXmlScore score = onePart({
        measure({note(C4, 2), tied(note(E4, 2), true, false), chordNote(G4, 2)}),
        measure({tied(note(E4, 2), false, true), chordNote(G4, 2), note(D4, 2)}),
    });
    EXPECT_EQ(notesOf(musicXmlSong(score)),
              (std::vector<ImportedNote>{sounding(0, 1, C4), sounding(1, 3, E4), sounding(1, 2, G4),
                                         sounding(2, 3, G4), sounding(3, 4, D4)}));
}

TEST(MusicXmlSong, RepeatWithTwoEndingsPlaysOnceThroughWithTheTieBackToItsStart)
{
    // |: D4 whole | [1. D4 tied on to the start :| [2. E4 | F4
    MusicXmlMeasure first = measure({tied(note(D4, 4), false, true)});
    first.repeatForward = true;
    MusicXmlMeasure ending1 = measure({tied(note(D4, 4), true, false)});
    ending1.endingStart = {1};
    ending1.endingStop = true;
    ending1.repeatBackward = 2;
    MusicXmlMeasure ending2 = measure({note(E4, 4)});
    ending2.endingStart = {2};
    ending2.endingStop = true;
    const ImportedSong song = musicXmlSong(onePart({first, ending1, ending2, measure({note(F4, 4)})}));

    // The first D4 ties from nothing and sounds alone; the first ending's D4
    // holds on into the repeated first bar.
    EXPECT_EQ(notesOf(song), (std::vector<ImportedNote>{sounding(0, 2, D4), sounding(2, 6, D4), sounding(6, 8, E4),
                                                        sounding(8, 10, F4)}));
    EXPECT_EQ(song.barStarts, (std::vector<double>{0, 2, 4, 6, 8}));
}

TEST(MusicXmlSong, DaCapoAlFineSkipsTheRepeatsAfterTheJump)
{
    // |: C4 :| D4 (Fine) | E4 (D.C.) |
    MusicXmlMeasure repeated = measure({note(C4, 4)});
    repeated.repeatForward = true;
    repeated.repeatBackward = 2;
    MusicXmlMeasure fine = measure({note(D4, 4)});
    fine.fine = true;
    MusicXmlMeasure daCapo = measure({note(E4, 4)});
    daCapo.daCapo = true;
    const ImportedSong song = musicXmlSong(onePart({repeated, fine, daCapo}));
    EXPECT_EQ(notesOf(song), (std::vector<ImportedNote>{sounding(0, 2, C4), sounding(2, 4, C4), sounding(4, 6, D4),
                                                        sounding(6, 8, E4), sounding(8, 10, C4),
                                                        sounding(10, 12, D4)}));
}

TEST(MusicXmlSong, DalSegnoAlCodaJumpsOnceAndLeavesOutTheFirstEndingAfterIt)
{
    // C4 | segno |: D4 | [1. E4 :| [2. F4 (To Coda) | G4 (D.S.) | coda C5
    std::vector<MusicXmlMeasure> m = {measure({note(C4, 4)}), measure({note(D4, 4)}), measure({note(E4, 4)}),
                                      measure({note(F4, 4)}), measure({note(G4, 4)}), measure({note(C5, 4)})};
    m[1].segno = {"segno"};
    m[1].repeatForward = true;
    m[2].endingStart = {1};
    m[2].repeatBackward = 2;
    m[3].endingStart = {2};
    m[3].endingStop = true;
    m[3].toCoda = {"coda"};
    m[4].dalSegno = {"segno"};
    m[5].coda = {"coda"};
    const ImportedSong song = musicXmlSong(onePart(m));
    std::vector<int> pitches;
    for (const ImportedNote& n : notesOf(song))
        pitches.push_back(n.pitch);
    EXPECT_EQ(pitches, (std::vector<int>{C4, D4, E4, D4, F4, G4, D4, F4, C5}));
    EXPECT_EQ(song.barStarts.size(), 9u);
}

TEST(MusicXmlSong, TempoChangeMidBarAndNewDivisionsTimeTheNotesAfterThem)
{
    // Four quarters, the third at 60 a minute; then divisions of 4 and two
    // half notes at the new tempo.
    const MusicXmlScore score = onePart({
        measure({note(C4, 1), note(D4, 1), MusicXmlTempo{60}, note(E4, 1), note(F4, 1)}),
        measure({MusicXmlDivisions{4}, note(G4, 8), note(C5, 8)}),
    });
    MusicXmlScore withTime = score;
    withTime.parts[0].measures[0].time = TimeSignature{4, 4};
    const ImportedSong song = musicXmlSong(withTime);
    EXPECT_EQ(notesOf(song), (std::vector<ImportedNote>{sounding(0, 0.5, C4), sounding(0.5, 1, D4),
                                                        sounding(1, 2, E4), sounding(2, 3, F4), sounding(3, 5, G4),
                                                        sounding(5, 7, C5)}));
    EXPECT_EQ(song.barStarts, (std::vector<double>{0, 3}));
    EXPECT_DOUBLE_EQ(song.beatSeconds, 0.5);  // the tempo the song starts with
    EXPECT_EQ(song.time, (TimeSignature{4, 4}));
}

TEST(MusicXmlSong, BackupWritesASecondVoiceThatBecomesAPartOfItsOwn)
{
    // Voice 1: C5+E5 half, D5 half; back to the start; voice 2: a rest via
    // forward, then C4 half.
    MusicXmlForward rest{2};
    const MusicXmlScore score = onePart({measure({note(C5, 2), chordNote(E5, 2), note(D5, 2), MusicXmlBackup{4},
                                                  rest, note(C4, 2, 2)})});
    const ImportedSong song = musicXmlSong(score);
    ASSERT_EQ(song.parts.size(), 2u);
    EXPECT_EQ(song.parts[0].voice, 1);
    EXPECT_EQ(song.parts[1].voice, 2);
    EXPECT_EQ(song.parts[0].track, 1);
    EXPECT_EQ(song.parts[1].track, 1);
    EXPECT_EQ(notesOf(song, 0), (std::vector<ImportedNote>{sounding(0, 1, C5), sounding(0, 1, E5), sounding(1, 2, D5)}));
    EXPECT_EQ(notesOf(song, 1), (std::vector<ImportedNote>{sounding(1, 2, C4)}));
}

TEST(MusicXmlSong, SoundingPitchOfTransposingPartsGraceNotesAndDrums)
{
    // A B♭ clarinet written in D major: a written D sounds C; an
    // acciaccatura before it takes 65 ms of its start.
    MusicXmlNote grace = note(F4 + 2, 0);
    grace.grace = true;
    grace.slash = true;
    MusicXmlMeasure clarinet = measure({MusicXmlDivisions{1}, MusicXmlTranspose{-2}, grace, note(D4, 2)});
    clarinet.key = KeySignature{2, false};
    MusicXmlNote drum = note(38, 1);  // the snare's <midi-unpitched>, never transposed
    drum.unpitched = true;
    MusicXmlScore score;
    score.parts.push_back({"Clarinet", "B♭ Clarinet", 71, 0, {clarinet}});
    score.parts.push_back({"Drums", "Snare", -1, 9, {measure({MusicXmlDivisions{1}, drum})}});
    const ImportedSong song = musicXmlSong(score);

    ASSERT_EQ(song.parts.size(), 2u);
    EXPECT_EQ(song.key, (KeySignature{0, false}));
    EXPECT_EQ(notesOf(song, 0), (std::vector<ImportedNote>{sounding(0, 0.065, F4), sounding(0.065, 1, C4)}));
    EXPECT_FALSE(song.parts[0].percussion);
    EXPECT_EQ(song.parts[0].program, 71);
    EXPECT_EQ(notesOf(song, 1), (std::vector<ImportedNote>{sounding(0, 0.5, 38)}));
    EXPECT_TRUE(song.parts[1].percussion);
}

TEST(MusicXmlSong, RepeatsThatWouldPlayTooLongAreCutOrRefused)
{
    // A repeat asking for a thousand passes plays MaxRepeatPasses.
    MusicXmlMeasure many = measure({note(C4, 4)});
    many.repeatBackward = 1000;
    EXPECT_EQ(notesOf(musicXmlSong(onePart({many}))).size(), static_cast<std::size_t>(MaxRepeatPasses));

    // Thousands of bars repeated that often are refused, not played.
    std::vector<MusicXmlMeasure> bars(MaxPlayedMeasures / MaxRepeatPasses + 1, measure({note(C4, 4)}));
    for (MusicXmlMeasure& bar : bars)
        bar.repeatBackward = MaxRepeatPasses;
    const ImportedSong song = musicXmlSong(onePart(bars));
    EXPECT_EQ(song.problem, ImportProblem::TooManyElements);
    EXPECT_TRUE(song.parts.empty());
}

}  // namespace
}  // namespace kelodi
