// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/recording/melody_import.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/keyboard/instrument_panel.h"
#include "core/midi/short_message.h"
#include "core/recording/dzq_format.h"

namespace kelodi {

namespace {

struct Note {
    std::int64_t onMs = 0;
    std::int64_t offMs = 0;
    int pitch = 0;
};

constexpr int NotesPerChannel = 128;

bool isNoteOn(const MidiTrackEvent& e) { return (e.status & 0xF0) == 0x90 && e.data2 > 0; }
bool isNoteOff(const MidiTrackEvent& e)
{
    return (e.status & 0xF0) == 0x80 || ((e.status & 0xF0) == 0x90 && e.data2 == 0);
}

bool takesChannel(const MelodySource& source, int channel)
{
    return source.channel ? channel == *source.channel : channel != PercussionChannel;
}

std::size_t countNotes(const MidiTrack& track, const MelodySource& source)
{
    return static_cast<std::size_t>(std::count_if(track.events.begin(), track.events.end(), [&](const MidiTrackEvent& e) {
        return isNoteOn(e) && takesChannel(source, e.status & 0x0F);
    }));
}

std::int64_t millisecondsAt(const TempoMap& tempo, std::uint64_t tick)
{
    // Far past any song, but inside the integer range.
    const double seconds = std::clamp(tempo.seconds(tick), 0.0, 1e12);
    return static_cast<std::int64_t>(std::llround(seconds * 1000.0));
}

// The notes of one track: each note-on paired with the first note-off of the
// same note and channel after it (first on, first off); a note left on ends
// with the track.
void collectNotes(const MidiTrack& track, const MelodySource& source, const TempoMap& tempo, std::vector<Note>& notes)
{
    // Per channel and note, the ticks of the note-ons not yet ended, oldest
    // at `first`. (Empty vectors cost no allocation; most notes never sound.)
    struct Started {
        std::vector<std::uint64_t> ticks;
        std::size_t first = 0;
    };
    std::vector<Started> sounding(ChannelCount * NotesPerChannel);
    auto add = [&](std::uint64_t on, std::uint64_t off, int pitch) {
        notes.push_back({millisecondsAt(tempo, on), millisecondsAt(tempo, off), pitch});
    };
    for (const MidiTrackEvent& e : track.events) {
        const int channel = e.status & 0x0F;
        if (!takesChannel(source, channel))
            continue;
        Started& started = sounding[static_cast<std::size_t>(channel * NotesPerChannel + e.data1)];
        if (isNoteOn(e)) {
            started.ticks.push_back(e.tick);
        } else if (isNoteOff(e) && started.first < started.ticks.size()) {
            add(started.ticks[started.first++], e.tick, e.data1);
        }
    }
    for (std::size_t i = 0; i < sounding.size(); ++i)
        for (std::size_t k = sounding[i].first; k < sounding[i].ticks.size(); ++k)
            add(sounding[i].ticks[k], std::max(sounding[i].ticks[k], track.endTick),
                static_cast<int>(i % NotesPerChannel));
}

// At each onset the highest note that starts there, from the onset's start.
std::vector<Note> highestLine(std::vector<Note> notes)
{
    std::sort(notes.begin(), notes.end(), [](const Note& a, const Note& b) {
        return a.onMs != b.onMs ? a.onMs < b.onMs : a.pitch > b.pitch;
    });
    const auto spread = static_cast<std::int64_t>(std::llround(SameOnsetSeconds * 1000.0));
    std::vector<Note> line;
    for (std::size_t i = 0; i < notes.size();) {
        std::size_t best = i;
        std::size_t j = i + 1;
        // Measured from the onset's first note, not from the note before: a
        // fast run is no chord however many of its notes follow each other.
        for (; j < notes.size() && notes[j].onMs - notes[i].onMs < spread; ++j)
            if (notes[j].pitch > notes[best].pitch)
                best = j;
        Note top = notes[best];
        top.onMs = notes[i].onMs;
        line.push_back(top);
        i = j;
    }
    return line;
}

// The whole-octave move that puts most notes on the keys; of equally good
// moves the smallest, upwards before downwards.
int bestOctaveShift(const std::vector<Note>& line)
{
    int bestShift = 0;
    std::size_t bestCount = 0;
    for (int octaves = 0; octaves <= 10; ++octaves) {
        for (int shift : {octaves * 12, -octaves * 12}) {
            const auto count = static_cast<std::size_t>(std::count_if(line.begin(), line.end(), [shift](const Note& n) {
                return n.pitch + shift >= LowestKeyNote && n.pitch + shift <= HighestKeyNote;
            }));
            if (count > bestCount) {
                bestCount = count;
                bestShift = shift;
            }
        }
    }
    return bestShift;
}

}  // namespace

std::optional<MelodyImport> importMelody(const MidiFile& file, const MelodySource& source, std::string* error)
{
    const int trackCount = static_cast<int>(file.tracks.size());
    if (source.track && (*source.track < 1 || *source.track > trackCount)) {
        if (error)
            *error = "no track " + std::to_string(*source.track) + " (the file has " + std::to_string(trackCount) +
                     (trackCount == 1 ? " track)" : " tracks)");
        return std::nullopt;
    }
    if (source.channel && (*source.channel < 0 || *source.channel > 15)) {
        if (error)
            *error = "no channel " + std::to_string(*source.channel) + " (channels are 0..15)";
        return std::nullopt;
    }

    MelodyImport result;
    MelodyReport& report = result.report;
    report.channel = source.channel.value_or(-1);
    if (source.track) {
        report.track = *source.track;
    } else if (!source.channel) {
        std::size_t most = 0;
        report.track = trackCount > 0 ? 1 : 0;
        for (int t = 0; t < trackCount; ++t) {
            const std::size_t count = countNotes(file.tracks[static_cast<std::size_t>(t)], source);
            if (count > most) {
                most = count;
                report.track = t + 1;
            }
        }
    }

    const TempoMap tempo(file);
    std::vector<Note> notes;
    for (int t = 0; t < trackCount; ++t)
        if (report.track == 0 || report.track == t + 1)
            collectNotes(file.tracks[static_cast<std::size_t>(t)], source, tempo, notes);
    report.notesTaken = notes.size();

    const std::vector<Note> line = highestLine(std::move(notes));
    report.melodyNotes = line.size();
    report.octaveShift = bestOctaveShift(line);
    if (line.size() * 2 > MaxRecordingEvents) {
        if (error)
            *error = std::to_string(line.size()) + " melody notes are more than a score file holds (" +
                     std::to_string(MaxRecordingEvents / 2) + ")";
        return std::nullopt;
    }

    std::int64_t previous = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const Note& note = line[i];
        int pitch = note.pitch + report.octaveShift;
        const int placed = pitch;
        while (pitch < LowestKeyNote)
            pitch += 12;
        while (pitch > HighestKeyNote)
            pitch -= 12;
        report.foldedNotes += pitch != placed;

        const std::int64_t next =
            i + 1 < line.size() ? line[i + 1].onMs : std::numeric_limits<std::int64_t>::max();
        const std::int64_t release = std::min(std::max(note.offMs, note.onMs), next);
        result.events.append(
            KeyEvent::press(static_cast<float>(static_cast<double>(note.onMs - previous) / 1000.0), pitch - LowestKeyNote));
        result.events.append(
            KeyEvent::releaseAll(static_cast<float>(static_cast<double>(release - note.onMs) / 1000.0)));
        previous = release;
    }
    return result;
}

}  // namespace kelodi
