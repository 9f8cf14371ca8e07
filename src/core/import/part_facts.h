// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/import/imported_song.h"
#include "core/recording/melody_import.h"

namespace kelodi {

// What the part chooser (and `kelodi-dzq from-midi --list`) tells of each
// part of a song.
struct PartFacts {
    int track = 0;
    int channel = -1;
    int voice = 0;
    std::string name;        // the file's name for the part, may be empty
    std::string instrument;  // the General MIDI name in Chinese ("长笛"), "打击" for percussion
    std::size_t notes = 0;   // notes of the part
    // The lowest and highest key of the melody the part would give, in
    // jianpu with the keys' octave dots ("5̣ – 3̇"); empty without notes.
    std::string range;
    bool guess = false;      // the melody finder's choice
    std::string reason;      // why, in a few words ("音区最高，单音")
};

// One entry per part, in the song's order; the range as the part would come
// in with `transposition`.
std::vector<PartFacts> partFacts(const ImportedSong& song, const Transposition& transposition);

// A key 0..43 in jianpu with combining dots: one below for the low octave
// (keys 0..11), none for the middle one, one above for the high octave, two
// above for the highest (keys 36..43): key 7 is "5̣", key 40 "3̈".
std::string jianpuWithDots(int key);

}  // namespace kelodi
