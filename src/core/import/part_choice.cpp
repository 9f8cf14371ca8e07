// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/import/part_choice.h"

#include "core/import/melody_finder.h"
#include "core/import/song_key.h"

namespace kelodi {

std::optional<PartChoice> defaultPartChoice(const ImportedSong& song)
{
    PartChoice choice;
    const MelodyGuess guess = findMelody(song);
    if (guess.part >= 0) {
        choice.part = static_cast<std::size_t>(guess.part);
    } else {
        std::size_t p = 0;
        while (p < song.parts.size() && song.parts[p].notes.empty())
            ++p;
        if (p == song.parts.size())
            return std::nullopt;
        choice.part = p;
    }
    choice.moveToC = song.key.has_value() || keyMoveToC(song, song.parts[choice.part]).source != KeySource::None;
    return choice;
}

MelodySource melodySourceOf(const PartChoice& choice)
{
    MelodySource source;
    source.part = choice.part;
    source.transposition.mode = choice.moveToC ? Transposition::Mode::Auto : Transposition::Mode::Keep;
    return source;
}

}  // namespace kelodi
