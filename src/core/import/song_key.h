// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/import/imported_song.h"

namespace kelodi {

// The key of a song and the move that makes it read as 1=C: the keys show
// jianpu digits in C, so a tune in D would read full of "#4" and "#1" where
// its own score has plain 3 and 7.

struct SongKey {
    int tonic = 0;  // pitch class 0..11, 0 = C
    bool minor = false;

    friend bool operator==(const SongKey&, const SongKey&) = default;
};

// The key a signature writes: 2 sharps major is D, 2 sharps minor B minor.
SongKey keyOfSignature(const KeySignature& signature);

// The key the notes of the song's pitched parts suggest (Krumhansl and
// Kessler's key profiles: the pitch classes weighted by how long they sound,
// correlated with the profile of each of the 24 major and minor keys; the
// best correlation wins). Empty for a song without pitched notes.
std::optional<SongKey> estimateKey(const ImportedSong& song);

// Semitones (-6..5) that move `key` to C major, or a minor key to A minor,
// whose signature is the one without sharps or flats.
int semitonesToC(const SongKey& key);

// The tonic as the score files name it: C #C D #D E F #F G #G A #A B, with
// "m" after a minor key's ("Em").
std::string keyName(const SongKey& key);

// The share (0..1) of the notes' sounding time that falls on black keys once
// they are moved by `semitones`.
double blackKeyShare(const std::vector<ImportedNote>& notes, int semitones);

enum class KeySource {
    None,       // no move: the notes read no better in another key
    Signature,  // the file's key signature
    Estimate,   // estimated from the notes
};

struct KeyMove {
    int semitones = 0;            // -6..5, before any octave move
    std::optional<SongKey> key;   // the original key, when the melody then reads in C
    KeySource source = KeySource::None;
};

// The move "移到 C 调" makes for `melody`, a part of `song`:
// - by the key signature when the song has one, unless the signature plainly
//   does not fit the notes (more than a tenth of the melody on black keys in
//   its C, and the estimated key halves that): a file whose sequencer wrote a
//   signature of C for every song;
// - else by the estimated key, unless the melody then reads with more black
//   keys than unmoved (a tune in G that never plays its #F still moves, so
//   that its tonic reads 1);
// - else no move.
KeyMove keyMoveToC(const ImportedSong& song, const ImportedPart& melody);

}  // namespace kelodi
