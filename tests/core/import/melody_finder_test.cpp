// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>

#include "core/import/melody_finder.h"
#include "core/import/part_facts.h"
#include "core/import/song_key.h"
#include "core/recording/melody_import.h"

namespace kelodi {
namespace {

struct N {
    double start;
    double length;
    int pitch;
};

ImportedPart part(const std::string& name, const std::vector<N>& notes, int channel = 0)
{
    ImportedPart p;
    p.name = name;
    p.channel = channel;
    p.percussion = channel == 9;
    p.track = channel + 1;
    for (const N& n : notes)
        p.notes.push_back({n.start, n.start + n.length, n.pitch, 80});
    sortNotes(p.notes);
    return p;
}

// A line of quarter notes (half a second each) from `pitches`.
std::vector<N> line(const std::vector<int>& pitches, double at = 0)
{
    std::vector<N> notes;
    for (int pitch : pitches) {
        notes.push_back({at, 0.5, pitch});
        at += 0.5;
    }
    return notes;
}

std::vector<N> legato(std::vector<N> notes)
{
    for (N& note : notes)
        note.length += 0.04;
    return notes;
}

// Chords of `size` notes a third apart, their tops on `tops`.
std::vector<N> chords(const std::vector<int>& tops, int size = 3)
{
    std::vector<N> notes;
    double at = 0;
    for (int top : tops) {
        for (int k = 0; k < size; ++k)
            notes.push_back({at, 0.5, top - 4 * k});
        at += 0.5;
    }
    return notes;
}

const std::vector<int> Scale = {60, 62, 64, 65, 67, 69, 71, 72, 71, 69, 67, 65};

ImportedSong song(std::vector<ImportedPart> parts)
{
    ImportedSong s;
    s.parts = std::move(parts);
    return s;
}

// Each rule decides between parts that the others cannot tell apart (or that
// the others would give the other way): the part named first loses when the
// rule is broken, since of equal scores the first part wins.
TEST(MelodyFinder, EachKindOfEvidenceDecides)
{
    const std::vector<int> lower = {55, 57, 59, 60, 62, 64, 66, 67, 66, 64, 62, 60};
    struct Case {
        const char* rule;
        ImportedSong song;
        int melody;
    };
    const std::vector<int> arpeggio = {60, 64, 67, 72, 67, 64, 60, 64, 67, 72, 67, 64};
    const Case cases[] = {
        // Names outweigh an octave of pitch, in any case and in Chinese.
        {"melody name", song({part("Strings", line(Scale), 1), part("LEAD VOCAL", line(lower), 2)}), 1},
        {"chinese name", song({part("弦乐", line(Scale), 1), part("主旋律", line(lower), 2)}), 1},
        {"accompaniment name", song({part("Chords", line(Scale), 1), part("Flute", line(lower), 2)}), 1},
        {"left hand", song({part("Piano LH", line(Scale), 1), part("Piano RH", line(lower), 2)}), 1},
        {"bassoon is no bass", song({part("Flute", line(lower), 1), part("Bassoon", line(Scale), 2)}), 1},
        // The same top line, once in chords, once legato (each note held 40 ms
        // into the next: no chord).
        {"polyphony", song({part("", chords(Scale), 1), part("", legato(line(Scale)), 2)}), 1},
        // The soprano above the alto, listed second.
        {"pitch", song({part("", line(lower), 1), part("", line(Scale), 2)}), 1},
        // Steps beat broken chords at the same pitch.
        {"motion", song({part("", line(arpeggio), 1), part("", line(Scale), 2)}), 1},
        // An intro of two bars, a little higher, against the whole song.
        {"share of the song", song({part("", line({67, 69, 71, 72}), 1), part("", line(Scale, 2.0), 2)}), 1},
        // Drums are never the melody, however many notes they have.
        {"percussion", song({part("", line({42, 42, 42, 42, 42, 42, 42, 42, 42, 42, 42, 42, 42, 42}), 9),
                             part("", line({60, 62}), 1)}),
         1},
    };
    for (const Case& c : cases) {
        const MelodyGuess guess = findMelody(c.song);
        EXPECT_EQ(guess.part, c.melody) << c.rule;
    }
    EXPECT_EQ(findMelody(song({part("", line({36, 38}), 9)})).part, -1);
}

TEST(MelodyFinder, SaysWhyInTheChoosersWords)
{
    std::vector<ImportedPart> parts = {part("Melody", line(Scale), 1), part("", chords({55, 55, 55, 57, 57}), 2),
                                       part("", line({60}), 9)};
    parts[1].program = 33;
    const MelodyGuess guess = findMelody(song(parts));
    ASSERT_EQ(guess.parts.size(), 3u);
    EXPECT_EQ(guess.parts[0].reason, "名称“Melody”像旋律，音区最高，单音，级进为主");
    EXPECT_EQ(guess.parts[1].reason, "伴奏音色，音区低，常有和音，多同音反复，只奏一部分");
    EXPECT_EQ(guess.parts[2].reason, "打击乐");
}

// The keys a part gives, as the score file has them.
std::vector<int> keys(const MelodyImport& melody)
{
    std::vector<int> out;
    for (const KeyEvent& event : melody.events)
        if (event.isPress())
            out.push_back(event.pressedKey());
    return out;
}

MelodyImport imported(const ImportedSong& s, Transposition transposition = {Transposition::Mode::Keep, 0})
{
    MelodySource source;
    source.transposition = transposition;
    std::string error;
    const std::optional<MelodyImport> melody = importMelody(s, source, &error);
    EXPECT_TRUE(melody) << error;
    return melody.value_or(MelodyImport{});
}

// One part holding a melody and its accompaniment, as a piano score does.
TEST(MelodyImport, TakesTheTopLineOfAPartThatHoldsTheAccompanimentToo)
{
    const ImportedSong piano = song({part("", {
        {0.0, 1.0, 72},                  // a melody note held for a second,
        {0.5, 0.5, 64}, {0.5, 0.5, 60},  // the accompaniment starting under it
        {1.0, 0.5, 74}, {1.01, 0.5, 62}, {1.02, 0.5, 59},  // an onset: its highest note
        {1.5, 0.5, 67},                  // after the held note ended: melody again
        {2.0, 0.54, 76},                 // legato: held 40 ms into the next note
        {2.5, 1.0, 74},
        {2.5, 1.0, 55}, {3.0, 0.5, 57},  // under it, a lower voice moves on
    }, 1)});
    const MelodyImport melody = imported(piano);
    EXPECT_EQ(keys(melody), (std::vector<int>{36, 38, 31, 40, 38}));
    EXPECT_EQ(melody.report.notesTaken, 11u);
    EXPECT_EQ(melody.report.melodyNotes, 5u);
}

// 1=D: D E #F G A B #C D over a bass; no key signature.
ImportedSong songInD(std::optional<KeySignature> signature)
{
    ImportedSong s = song({part("", line({62, 64, 66, 67, 69, 71, 73, 74, 73, 71, 69, 66, 62}), 1),
                           part("", line({50, 57, 54, 57, 55, 59, 57, 61, 50, 57, 54, 57, 50}), 2)});
    s.key = signature;
    return s;
}

TEST(MelodyImport, MovesTheKeyToReadInCWithoutASharpItDoesNotHave)
{
    const std::vector<int> inC = {24, 26, 28, 29, 31, 33, 35, 36, 35, 33, 31, 28, 24};
    const std::vector<int> inD = {26, 28, 30, 31, 33, 35, 37, 38, 37, 35, 33, 30, 26};
    struct Case {
        const char* what;
        std::optional<KeySignature> signature;
        Transposition transposition;
        std::vector<int> keys;
        std::string originalKey;  // empty: none
        KeySource source;
    };
    const Case cases[] = {
        {"estimated", std::nullopt, {}, inC, "D", KeySource::Estimate},
        {"signed", KeySignature{2, false}, {}, inC, "D", KeySource::Signature},
        // A minor signature names its own tonic, and the same move.
        {"signed minor", KeySignature{2, true}, {}, inC, "Bm", KeySource::Signature},
        // A signature of C on a tune that plainly is in D is the sequencer's.
        {"wrong signature", KeySignature{0, false}, {}, inC, "D", KeySource::Estimate},
        {"kept", KeySignature{2, false}, {Transposition::Mode::Keep, 0}, inD, "", KeySource::Signature},
        {"semitones", KeySignature{2, false}, {Transposition::Mode::Semitones, 3}, {29, 31, 33, 34, 36, 38, 40, 41, 40, 38, 36, 33, 29}, "", KeySource::Signature},
        // A whole octave more than the key asks still reads in C; the octave
        // move then puts it back on the keys where most notes fit.
        {"semitones to C", KeySignature{2, false}, {Transposition::Mode::Semitones, 10}, inC, "D", KeySource::Signature},
    };
    for (const Case& c : cases) {
        const MelodyImport melody = imported(songInD(c.signature), c.transposition);
        EXPECT_EQ(keys(melody), c.keys) << c.what;
        EXPECT_EQ(melody.originalKey ? keyName(*melody.originalKey) : "", c.originalKey) << c.what;
        EXPECT_EQ(melody.report.key.source, c.source) << c.what;
    }
}

TEST(SongKey, EstimatesMajorAndMinorKeysFromHowLongTheNotesSound)
{
    // Krumhansl and Kessler's profiles find the tonic, not only the scale:
    // A minor and C major share their notes, and the long notes tell them
    // apart (counted rather than timed, the run of C major would win).
    std::vector<N> run = {{0, 3, 57}};
    for (const int pitch : {60, 62, 64, 65, 67, 65, 64, 62, 60, 67, 72, 67, 60})
        run.push_back({run.back().start + run.back().length, 0.25, pitch});
    run.push_back({6.5, 3, 64});
    run.push_back({9.5, 3, 57});
    const ImportedSong aMinor = song({part("", run, 1)});
    ASSERT_TRUE(estimateKey(aMinor));
    EXPECT_EQ(keyName(*estimateKey(aMinor)), "Am");
    const ImportedSong fMajor = song({part("", {{0, 2, 65}, {2, 0.5, 67}, {2.5, 0.5, 69}, {3, 0.5, 70},
                                                {3.5, 1, 72}, {4.5, 2, 65}, {6.5, 1, 60}, {7.5, 2, 65}}, 1)});
    EXPECT_EQ(keyName(*estimateKey(fMajor)), "F");
    EXPECT_EQ(semitonesToC(*estimateKey(fMajor)), -5);
    EXPECT_EQ(semitonesToC(SongKey{6, false}), -6);  // #F: down rather than up
    EXPECT_EQ(semitonesToC(SongKey{4, true}), 5);    // Em to Am
    EXPECT_FALSE(estimateKey(song({part("", line({36}), 9)})));

    // A tune in G that never needs its #F reads as well in C unmoved; moved
    // by its key its tonic reads 1, as a jianpu score in 1=G writes it.
    const ImportedSong inG = song({part("", {{0, 1, 67}, {1, 0.5, 69}, {1.5, 0.5, 71}, {2, 0.5, 72}, {2.5, 0.5, 74},
                                             {3, 1, 71}, {4, 2, 67}, {6, 1, 62}, {7, 2, 67}}, 1)});
    const KeyMove move = keyMoveToC(inG, inG.parts[0]);
    EXPECT_EQ(move.semitones, 5);
    EXPECT_EQ(move.source, KeySource::Estimate);
}

TEST(PartFacts, NameInstrumentNotesRangeAndGuess)
{
    std::vector<ImportedPart> parts = {part("Flute", line({62, 64, 66, 67, 69, 74, 78}), 1),
                                       part("", line({38, 45}), 9)};
    parts[0].program = 73;
    ImportedSong s = song(parts);
    s.key = KeySignature{2, false};
    const std::vector<PartFacts> facts = partFacts(s, {});
    ASSERT_EQ(facts.size(), 2u);
    EXPECT_EQ(facts[0].instrument, "长笛");
    EXPECT_EQ(facts[0].notes, 7u);
    // Moved to C (60..76), keys 24..40.
    EXPECT_EQ(facts[0].range, "1\xCC\x87 \xE2\x80\x93 3\xCC\x88");
    EXPECT_TRUE(facts[0].guess);
    EXPECT_EQ(facts[1].instrument, "打击");
    EXPECT_EQ(facts[1].range, "");
    EXPECT_FALSE(facts[1].guess);
    EXPECT_EQ(jianpuWithDots(7), "5\xCC\xA3");
    EXPECT_EQ(jianpuWithDots(18), "#4");
}

}  // namespace
}  // namespace kelodi
