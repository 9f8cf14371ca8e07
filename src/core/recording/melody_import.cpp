// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/recording/melody_import.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/import/melody_finder.h"
#include "core/import/midi_song.h"
#include "core/recording/dzq_format.h"

namespace kelodi {

namespace {

constexpr int Octave = 12;

std::int64_t milliseconds(double seconds)
{
    // Far past any song, but inside the integer range.
    return static_cast<std::int64_t>(std::llround(std::clamp(seconds, 0.0, 1e12) * 1000.0));
}

bool onKeys(int pitch) { return pitch >= LowestKeyNote && pitch <= HighestKeyNote; }

// The whole-octave move that puts most notes on the keys; of equally good
// moves the smallest, upwards before downwards.
int bestOctaveShift(const std::vector<ImportedNote>& line, int semitones)
{
    int bestShift = 0;
    std::size_t bestCount = 0;
    for (int octaves = 0; octaves <= 11; ++octaves) {
        for (const int shift : {octaves * Octave, -octaves * Octave}) {
            const auto count = static_cast<std::size_t>(std::count_if(
                line.begin(), line.end(), [&](const ImportedNote& n) { return onKeys(n.pitch + semitones + shift); }));
            if (count > bestCount) {
                bestCount = count;
                bestShift = shift;
            }
        }
    }
    return bestShift;
}

bool fits(const ImportedPart& part, const MelodySource& source)
{
    if (source.track && part.track != *source.track)
        return false;
    if (source.channel)
        return part.channel == *source.channel;
    return !part.percussion;
}

int semitonesFor(const Transposition& transposition, const KeyMove& key)
{
    switch (transposition.mode) {
    case Transposition::Mode::Auto: return key.semitones;
    case Transposition::Mode::Keep: return 0;
    case Transposition::Mode::Semitones: return std::clamp(transposition.semitones, -127, 127);
    }
    return 0;
}

// The melody line as key events: each note pressed at its onset, its pitch
// folded by octaves onto the keys, and released at its end or at the next
// onset, whichever comes first.
RecordingEvents keyEvents(const std::vector<ImportedNote>& line, MelodyReport& report)
{
    RecordingEvents events;
    std::int64_t previous = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const ImportedNote& note = line[i];
        int pitch = note.pitch + report.transposition + report.octaveShift;
        const int placed = pitch;
        while (pitch < LowestKeyNote)
            pitch += Octave;
        while (pitch > HighestKeyNote)
            pitch -= Octave;
        report.foldedNotes += pitch != placed;

        const std::int64_t on = milliseconds(note.start);
        const std::int64_t next =
            i + 1 < line.size() ? milliseconds(line[i + 1].start) : std::numeric_limits<std::int64_t>::max();
        const std::int64_t release = std::min(std::max(milliseconds(note.end), on), next);
        events.append(
            KeyEvent::press(static_cast<float>(static_cast<double>(on - previous) / 1000.0), pitch - LowestKeyNote));
        events.append(KeyEvent::releaseAll(static_cast<float>(static_cast<double>(release - on) / 1000.0)));
        previous = release;
    }
    return events;
}

}  // namespace

int chosenPart(const ImportedSong& song, const MelodySource& source)
{
    if (source.part)
        return *source.part < song.parts.size() ? static_cast<int>(*source.part) : -1;
    const MelodyGuess guess = findMelody(song);
    if (!source.track && !source.channel)
        return guess.part;
    // The best of the parts on the track or channel asked for; percussion
    // has no score, so among drums the first part with notes.
    int best = -1;
    for (std::size_t p = 0; p < song.parts.size(); ++p) {
        const ImportedPart& part = song.parts[p];
        if (!fits(part, source) || part.notes.empty())
            continue;
        if (best < 0 || guess.parts[p].score > guess.parts[static_cast<std::size_t>(best)].score)
            best = static_cast<int>(p);
    }
    return best;
}

std::optional<MelodyImport> importMelody(const ImportedSong& song, const MelodySource& source, std::string* error)
{
    if (source.part && *source.part >= song.parts.size()) {
        if (error)
            *error = "no part " + std::to_string(*source.part + 1) + " (the song has " +
                     std::to_string(song.parts.size()) + (song.parts.size() == 1 ? " part)" : " parts)");
        return std::nullopt;
    }
    MelodyImport result;
    result.time = song.time;
    result.beatSeconds = song.beatSeconds;
    MelodyReport& report = result.report;
    report.part = chosenPart(song, source);
    if (report.part < 0)
        return result;
    const ImportedPart& part = song.parts[static_cast<std::size_t>(report.part)];
    report.track = part.track;
    report.channel = part.channel;
    report.notesTaken = part.notes.size();

    const std::vector<ImportedNote> line = topLine(part.notes);
    report.melodyNotes = line.size();
    if (line.size() * 2 > MaxRecordingEvents) {
        if (error)
            *error = std::to_string(line.size()) + " melody notes are more than a score file holds (" +
                     std::to_string(MaxRecordingEvents / 2) + ")";
        return std::nullopt;
    }
    report.key = keyMoveToC(song, part);
    report.transposition = semitonesFor(source.transposition, report.key);
    report.octaveShift = bestOctaveShift(line, report.transposition);
    // The melody reads in C when it moved as far as its key asks, up to octaves.
    if (report.key.key && (report.transposition - report.key.semitones) % Octave == 0)
        result.originalKey = report.key.key;

    result.events = keyEvents(line, report);
    return result;
}

std::string missingMidiSource(const MidiFile& file, const MelodySource& source)
{
    const int trackCount = static_cast<int>(file.tracks.size());
    if (source.track && (*source.track < 1 || *source.track > trackCount))
        return "no track " + std::to_string(*source.track) + " (the file has " + std::to_string(trackCount) +
               (trackCount == 1 ? " track)" : " tracks)");
    if (source.channel && (*source.channel < 0 || *source.channel > 15))
        return "no channel " + std::to_string(*source.channel) + " (channels are 0..15)";
    return {};
}

std::optional<MelodyImport> importMelody(const MidiFile& file, const MelodySource& source, std::string* error,
                                         const TextCodec* names)
{
    if (std::string missing = missingMidiSource(file, source); !missing.empty()) {
        if (error)
            *error = std::move(missing);
        return std::nullopt;
    }
    const ImportedSong song = midiSong(file, names);
    if (!song.ok()) {
        if (error)
            *error = song.error;
        return std::nullopt;
    }
    return importMelody(song, source, error);
}

SongInfo songInfoOf(const MelodyImport& melody)
{
    SongInfo info;
    info.time = melody.time;
    info.beatSeconds = melody.beatSeconds;
    if (melody.originalKey)
        info.originalKey = keyName(*melody.originalKey);
    return info;
}

}  // namespace kelodi
