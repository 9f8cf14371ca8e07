// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "core/import/imported_song.h"
#include "core/import/song_key.h"
#include "core/midi/midi_file.h"
#include "core/recording/recording_events.h"
#include "core/recording/song_info.h"

namespace kelodi {

class TextCodec;

// How the melody is moved before the octave move that puts it on the keys.
struct Transposition {
    enum class Mode {
        Auto,       // "移到 C 调": so that the song's key reads as 1=C (keyMoveToC)
        Keep,       // not moved
        Semitones,  // by `semitones`
    };
    Mode mode = Mode::Auto;
    int semitones = 0;  // -127..127, for Mode::Semitones
};

// Which part of a song makes the melody. Without any of them, the part the
// melody finder guesses; with a track or a channel (or both), the best of the
// parts on it — percussion only when channel 9 is asked for; with a part
// index, that part.
struct MelodySource {
    std::optional<int> track;    // 1 = the first track of the file (the first part of a MusicXML score)
    std::optional<int> channel;  // 0..15
    std::optional<std::size_t> part;  // index into the song's parts
    Transposition transposition;
};

struct MelodyReport {
    int part = -1;     // index into the song's parts of the part taken; -1 = none
    int track = 0;     // its track, 0 = none
    int channel = -1;  // its channel, -1 = none
    std::size_t notesTaken = 0;   // notes of that part
    std::size_t melodyNotes = 0;  // left after the reduction to one line
    KeyMove key;                  // what "移到 C 调" found, whatever the transposition asked
    int transposition = 0;        // semitones the line was moved for its key
    int octaveShift = 0;          // and then by whole octaves
    std::size_t foldedNotes = 0;  // notes moved further, one by one
};

struct MelodyImport {
    RecordingEvents events;
    MelodyReport report;
    // What the score file keeps of the song: its time signature and beat,
    // and the original key when the melody now reads in C.
    std::optional<TimeSignature> time;
    double beatSeconds = 0;
    std::optional<SongKey> originalKey;
};

// What the score file keeps of the imported song (its "曲谱信息" line).
SongInfo songInfoOf(const MelodyImport& melody);

// The lowest and highest MIDI note the keys play at octave 0.
inline constexpr int LowestKeyNote = 36;
inline constexpr int HighestKeyNote = LowestKeyNote + KeyCount - 1;

// Turns the part `source` names into key events for the keys:
//
// - its notes become one line (topLine: the highest note of each onset,
//   nothing under a held higher note), each note pressed when its onset
//   starts;
// - the line moves by the transposition, then by the whole octaves that put
//   most of its notes on the keys (notes 36..79; of equally good moves the
//   smallest, upwards before downwards), and the notes still outside are
//   folded in by octaves;
// - each note is a key press at its onset and a release event at its end, or
//   at the next onset when the next note starts before the end (the release
//   comes first, the press follows it at once, so a note never sounds on
//   under the next one);
// - times are rounded to the millisecond from the start of the song, so that
//   delays never drift.
//
// Empty, with a reason in `error`, for a part index the song does not have
// or a melody longer than a score file holds. When no part fits the source,
// or the part has no notes, the result has no events.
std::optional<MelodyImport> importMelody(const ImportedSong& song, const MelodySource& source,
                                         std::string* error = nullptr);

// The same for a MIDI file (midiSong), with names read through `names`.
// Empty, with a reason in `error`, also for a track or channel the file does
// not have.
std::optional<MelodyImport> importMelody(const MidiFile& file, const MelodySource& source,
                                         std::string* error = nullptr, const TextCodec* names = nullptr);

// The reason a MIDI file has no `source`'s track or channel ("no track 3 (the
// file has 2 tracks)"), or empty when it has them.
std::string missingMidiSource(const MidiFile& file, const MelodySource& source);

// The index of the part `source` names in `song`, -1 when none fits.
int chosenPart(const ImportedSong& song, const MelodySource& source);

}  // namespace kelodi
