// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/import/imported_song.h"

namespace kelodi {

// Which part of a song carries the melody, judged by evidence rather than by
// the number of notes: a song with chord symbols has a busier chord track, a
// hymn four voices of equal length, a piano piece a left hand as busy as the
// right.

// A note that starts less than this after the first note of an onset belongs
// to that onset: the notes of a chord played by hand, humanised or
// "strummed" by a sequencer (abc2midi spreads them by 10 ticks) rarely start
// on the same millisecond, while the fastest runs of a melody are further
// apart.
inline constexpr double SameOnsetSeconds = 0.030;

// A note still sounding this long after another starts sounds with it; less
// is the overlap of a legato line, not a second voice.
inline constexpr double LegatoOverlapSeconds = 0.050;

// What one part shows of itself.
struct PartEvidence {
    // +1 when the name or instrument name calls it a melody ("Melody",
    // "Lead", "Vocal", "Soprano", "Right hand", "主旋律" …), -1 when it calls
    // it accompaniment ("Bass", "Chords", "Drums", "Left hand", "伴奏" …), else
    // 0; `nameWord` is the word that decided.
    int nameVote = 0;
    std::string nameWord;
    // +1 for a program that mostly leads (solo winds, synth leads), -1 for
    // one that mostly accompanies (basses, pads), else 0.
    int programVote = 0;
    double medianPitch = 0;  // of the part's top line
    double polyphony = 0;    // share of notes that sound together with another note of the part
    double steps = 0;        // share of the top line's moves of one or two semitones
    double repeats = 0;      // share of the top line's moves that repeat the note
    double coverage = 0;     // share of the song's length during which the part sounds
    double noteShare = 0;    // notes of the top line / notes of the busiest part's top line
};

struct PartJudgement {
    bool candidate = false;  // pitched and with notes: percussion never carries the melody
    PartEvidence evidence;
    double score = 0;        // higher is more like a melody; compare within one song only
    std::string reason;      // the evidence that weighed most, in Chinese for the chooser ("音区最高，单音")
};

struct MelodyGuess {
    int part = -1;  // index into the song's parts; -1 when no part is a candidate
    std::vector<PartJudgement> parts;  // one per part of the song, in its order
};

// Judges every part of `song` and names the one most like a melody; of equal
// scores the first part wins.
MelodyGuess findMelody(const ImportedSong& song);

// The melody line of a part's notes (sorted by start): at each onset the
// highest note that starts there (an onset is SameOnsetSeconds from its first
// note; the note starts with the onset), and no note that starts while a
// higher note of the part still sounds — that is an inner voice or the
// accompaniment under a held melody note. A higher note counts as sounding
// when it goes on for more than LegatoOverlapSeconds after the onset.
std::vector<ImportedNote> topLine(const std::vector<ImportedNote>& notes);

}  // namespace kelodi
