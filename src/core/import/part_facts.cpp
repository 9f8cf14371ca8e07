// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/import/part_facts.h"

#include <algorithm>

#include "core/import/melody_finder.h"
#include "core/keyboard/instrument_names.h"
#include "core/practice/jianpu_note.h"

namespace kelodi {

namespace {

constexpr std::string_view DotBelow = "\xCC\xA3";         // U+0323 combining dot below
constexpr std::string_view DotAbove = "\xCC\x87";         // U+0307 combining dot above
constexpr std::string_view TwoDotsAbove = "\xCC\x88";     // U+0308 combining diaeresis
constexpr std::string_view RangeDash = " \xE2\x80\x93 ";  // " – "

}  // namespace

std::string jianpuWithDots(int key)
{
    const JianpuNote note = jianpuNote(key);
    if (note.empty())
        return {};
    std::string text = note.digits;
    switch (key / 12) {
    case 0: text += DotBelow; break;
    case 1: break;
    case 2: text += DotAbove; break;
    default: text += TwoDotsAbove; break;
    }
    return text;
}

std::vector<PartFacts> partFacts(const ImportedSong& song, const Transposition& transposition)
{
    const MelodyGuess guess = findMelody(song);
    std::vector<PartFacts> facts;
    for (std::size_t p = 0; p < song.parts.size(); ++p) {
        const ImportedPart& part = song.parts[p];
        PartFacts fact;
        fact.track = part.track;
        fact.channel = part.channel;
        fact.voice = part.voice;
        fact.name = part.name;
        // Without a program change a General MIDI player sounds the first.
        fact.instrument = part.percussion ? "打击" : std::string(instrumentName(std::max(part.program, 0)));
        fact.notes = part.notes.size();
        fact.guess = guess.part == static_cast<int>(p);
        fact.reason = guess.parts[p].reason;
        MelodySource source;
        source.part = p;
        source.transposition = transposition;
        // Drums have no pitch to read in jianpu.
        const std::optional<MelodyImport> melody = part.percussion ? std::nullopt : importMelody(song, source);
        if (melody && !melody->events.empty()) {
            int lowest = KeyCount;
            int highest = -1;
            for (const KeyEvent& event : melody->events) {
                if (event.isPress() && event.pressedKey() >= 0) {
                    lowest = std::min(lowest, event.pressedKey());
                    highest = std::max(highest, event.pressedKey());
                }
            }
            fact.range = jianpuWithDots(lowest) + std::string(RangeDash) +
                         jianpuWithDots(highest);
        }
        facts.push_back(std::move(fact));
    }
    return facts;
}

}  // namespace kelodi
