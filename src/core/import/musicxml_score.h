// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/import/imported_song.h"

namespace kelodi {

// A partwise MusicXML score as written, reduced to what playing it needs.
// The XML reader (platform/import) fills it element by element, in document
// order; musicXmlSong() plays it out into an ImportedSong. Durations are
// counted in divisions of a quarter note, as the file counts them.

// A <note>.
struct MusicXmlNote {
    int duration = 0;       // divisions; grace notes have none
    bool chord = false;     // <chord/>: starts together with the note before it
    bool rest = false;
    bool grace = false;
    bool slash = false;     // a grace note with a slash: an acciaccatura, played short
    double graceQuarters = 0;  // a grace note's written value (<type>, dots), in quarter notes
    bool cue = false;       // a cue note is printed small and not played
    // The MIDI note: the written pitch (step, alter, octave) of a pitched
    // note; for an unpitched one (percussion) the instrument's
    // <midi-unpitched>, or the display step and octave without one. -1 for a
    // rest or a pitch outside 0..127.
    int pitch = -1;
    bool unpitched = false;
    int voice = 1;
    bool tieStart = false;  // <tie type="start"/> (or <tied> in the notations)
    bool tieStop = false;
    double dynamics = -1;   // the note's own loudness in percent of forte, -1 = not given

    friend bool operator==(const MusicXmlNote&, const MusicXmlNote&) = default;
};

// <backup> and <forward>: the time cursor of the measure moves back or on.
struct MusicXmlBackup {
    int duration = 0;
};
struct MusicXmlForward {
    int duration = 0;
};
// <divisions> of the attributes: from here on a quarter note is this many.
struct MusicXmlDivisions {
    int perQuarter = 1;
};
// <transpose>: the part sounds this many semitones from where it is written
// (chromatic steps plus 12 per octave change).
struct MusicXmlTranspose {
    int semitones = 0;
};
// <sound tempo>, or a metronome mark without one: quarter notes per minute.
struct MusicXmlTempo {
    double quarterBpm = 120;
};
// <sound dynamics>: loudness of the notes from here on, percent of forte.
struct MusicXmlDynamics {
    double percent = 100;
};

using MusicXmlEvent = std::variant<MusicXmlNote, MusicXmlBackup, MusicXmlForward, MusicXmlDivisions,
                                   MusicXmlTranspose, MusicXmlTempo, MusicXmlDynamics>;

// A <measure>: its timed events, and the marks that steer the order in which
// measures play. A mark counts for the whole measure: the jumps and endings
// happen at its end, the targets (segno, coda) are its start.
struct MusicXmlMeasure {
    std::vector<MusicXmlEvent> events;
    std::optional<KeySignature> key;  // the first key of the measure
    std::optional<TimeSignature> time;

    bool repeatForward = false;   // |: at the start
    int repeatBackward = 0;       // :| at the end: the section plays this often, 0 = no repeat
    std::vector<int> endingStart;  // an ending ("volta") starts here, for these passes
    bool endingStop = false;      // an ending ends here
    std::vector<std::string> segno;     // <sound segno>: targets of dalsegno
    std::vector<std::string> coda;      // <sound coda>: targets of tocoda
    std::vector<std::string> toCoda;    // <sound tocoda>: after a jump back, go on at the coda
    std::vector<std::string> dalSegno;  // <sound dalsegno>: go back to the segno
    bool daCapo = false;                // <sound dacapo="yes">: go back to the start
    bool fine = false;                  // <sound fine>: after a jump back, the song ends here
};

struct MusicXmlPart {
    std::string name;        // <part-name>
    std::string instrument;  // <instrument-name> of the first <score-instrument>
    int program = -1;        // <midi-program> − 1, or -1
    int channel = -1;        // <midi-channel> − 1, or -1
    std::vector<MusicXmlMeasure> measures;
};

struct MusicXmlScore {
    std::string title;  // <work-title>, or <movement-title>
    std::vector<MusicXmlPart> parts;
};

// The MIDI note of a written pitch: step "C".."B" (upper case), alter in
// semitones (rounded; microtones sound as the nearest semitone), octave 4 =
// the octave from middle C (60). -1 when the note falls outside 0..127 or the
// step is not a note name.
int musicXmlPitch(char step, double alter, int octave);

// Plays the score out into a song, once through:
// - each part becomes one part of the song, or one per voice when it writes
//   notes in more than one voice (voices in number order);
// - measures play in the order of the repeats, endings and jumps: a section
//   between |: and :| plays twice (or as often as the repeat says, at most
//   MaxRepeatPasses times), an ending plays on the passes it names; dacapo
//   and dalsegno jump back once each, and after such a jump repeats are
//   played once, endings that lead back are passed over, tocoda goes on at
//   the coda and fine ends the song;
// - the measure is as long as its longest part (the time signature's length
//   when no part writes anything in it);
// - tied notes become one note, also across bar lines and across a repeat
//   (a tie from the end of a first ending into the section's start joins on
//   the second pass only where the notes meet);
// - tempo marks of any part hold for all parts from their place on; the
//   song starts at 120 quarter notes a minute until a mark says otherwise;
// - a transposing part sounds at its sounding pitch; an unpitched note or a
//   part on MIDI channel 10 makes a percussion part;
// - grace notes take their time from the start of the note they ornament:
//   acciaccaturas (slashed) 65 ms each, others their written value, all of
//   them together at most half the note; the note starts after them. Cue
//   notes are not played; rests only move the time on;
// - the loudness of <sound dynamics> (per part) or a note's own gives the
//   velocity, 90 at forte, 80 when nothing is said.
// A song whose repeats would play more than MaxPlayedMeasures measures or
// MaxImportNotes notes is refused (TooManyElements).
ImportedSong musicXmlSong(const MusicXmlScore& score);

}  // namespace kelodi
