// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>

#include "core/import/imported_song.h"
#include "core/recording/melody_import.h"

namespace kelodi {

// What the player takes from an imported song in the part chooser.
struct PartChoice {
    std::size_t part = 0;     // index into the song's parts
    bool moveToC = true;      // "移到 C 调": the melody reads in C (else its pitches stay)
    bool singleNotes = true;  // "用单音播放": the panel plays single notes once the song is in

    friend bool operator==(const PartChoice&, const PartChoice&) = default;
};

// What the chooser shows before the player changes anything: the melody
// finder's guess (the first part with notes when it has none), "移到 C 调"
// ticked when the song has a key signature or the guess reads better moved
// to C (keyMoveToC finds a move), "用单音播放" ticked. Empty for a song
// without notes.
std::optional<PartChoice> defaultPartChoice(const ImportedSong& song);

// The melody import that brings the choice in.
MelodySource melodySourceOf(const PartChoice& choice);

}  // namespace kelodi
