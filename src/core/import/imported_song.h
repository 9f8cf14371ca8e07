// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/import/import_problem.h"

namespace kelodi {

// A song brought in from another program's file: the meeting point of the
// importers (MIDI files, MusicXML), the melody finder that judges the parts,
// the part chooser that shows them and the score window that draws the one
// taken. Importers fill it; nothing downstream needs to know which format the
// song came from.
//
// Times are seconds from the start of the song as it plays once through:
// tempo changes are applied and repeats are already played out, so a note
// of the second pass of a repeated section is a note of its own, later on.

// One sounding note.
struct ImportedNote {
    double start = 0;  // seconds, >= 0
    double end = 0;    // seconds, > start
    int pitch = 60;    // MIDI note number 0..127, as it sounds (transposing instruments resolved)
    int velocity = 80;  // 1..127

    friend bool operator==(const ImportedNote&, const ImportedNote&) = default;
};

// One line of the song that a player may choose: a MIDI track (one part per
// channel within a track), or a MusicXML part — one part per voice when the
// part writes more than one voice. The parts of a song never share a note.
struct ImportedPart {
    std::string name;        // UTF-8, as the file names it ("Flute", "Piano"); may be empty
    std::string instrument;  // UTF-8, the file's own instrument name; may be empty
    int program = -1;        // General MIDI program 0..127 when the file names one, else -1
    int channel = -1;        // MIDI channel 0..15 when the file names one, else -1
    bool percussion = false;  // drums: the pitches name drum sounds, not notes
    int track = 0;           // 1-based MIDI track, or 1-based MusicXML part in file order
    int voice = 0;           // MusicXML voice number of this part, 0 = the whole part (or track)
    std::vector<ImportedNote> notes;  // by start, then pitch

    friend bool operator==(const ImportedPart&, const ImportedPart&) = default;
};

struct TimeSignature {
    int beats = 4;  // 1..
    int unit = 4;   // the note value of one beat: 1, 2, 4, 8, 16 …

    friend bool operator==(const TimeSignature&, const TimeSignature&) = default;
};

struct KeySignature {
    int fifths = 0;  // -7..7: flats below zero, sharps above (2 = D major or B minor)
    bool minor = false;

    friend bool operator==(const KeySignature&, const KeySignature&) = default;
};

struct ImportedSong {
    std::string title;  // UTF-8; may be empty
    std::vector<ImportedPart> parts;
    // The first key and time signature of the song, when the file has one.
    std::optional<KeySignature> key;
    std::optional<TimeSignature> time;
    // Seconds per beat of the time signature's unit (a quarter without a
    // time signature) at the tempo the song starts with; 0 = unknown.
    double beatSeconds = 0;
    // Where each bar begins, in seconds, in the order the bars play (a
    // repeated bar is listed again). Empty when the file does not say; a
    // pickup makes the first bar shorter than the time signature.
    std::vector<double> barStarts;

    // Why the file could not be read: the kind (importProblemText() gives the
    // window's message) and an English detail for the score tool and the log.
    // A song that failed has no parts.
    ImportProblem problem = ImportProblem::None;
    std::string error;

    bool ok() const { return problem == ImportProblem::None; }
    // The number of notes in all parts.
    std::size_t noteCount() const;
};

// A song that failed for `problem`, with `detail` after the problem's English
// text in `error` ("not a MusicXML file: line 1: …").
ImportedSong failedImport(ImportProblem problem, const std::string& detail = {});

// Sorts a part's notes by start, then pitch (then end, so that equal notes
// stay in one order).
void sortNotes(std::vector<ImportedNote>& notes);

}  // namespace kelodi
