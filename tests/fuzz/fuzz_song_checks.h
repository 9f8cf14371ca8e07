// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>
#include <cstdlib>

#include "core/import/imported_song.h"

namespace kelodi::fuzz {

inline void check(bool condition)
{
    if (!condition)
        std::abort();
}

// What every imported song promises its users: a refusal has a reason and
// no parts; a song has notes in order, each on a MIDI note, starting at or
// after 0 and ending after it starts, within the limits.
inline void checkSong(const ImportedSong& song)
{
    if (!song.ok()) {
        check(song.parts.empty() && !song.error.empty() && !importProblemText(song.problem).empty());
        return;
    }
    check(song.noteCount() <= MaxImportNotes);
    check(song.barStarts.size() <= MaxPlayedMeasures);
    for (std::size_t i = 1; i < song.barStarts.size(); ++i)
        check(song.barStarts[i] >= song.barStarts[i - 1]);
    check(song.beatSeconds > 0 && std::isfinite(song.beatSeconds));
    for (const ImportedPart& part : song.parts) {
        check(!part.notes.empty());
        check(part.program >= -1 && part.program <= 127 && part.channel >= -1 && part.channel <= 15);
        for (std::size_t i = 0; i < part.notes.size(); ++i) {
            const ImportedNote& n = part.notes[i];
            check(std::isfinite(n.start) && std::isfinite(n.end) && n.start >= 0 && n.end > n.start);
            check(n.pitch >= 0 && n.pitch <= 127 && n.velocity >= 1 && n.velocity <= 127);
            check(i == 0 || part.notes[i - 1].start <= n.start);
        }
    }
}

}  // namespace kelodi::fuzz
