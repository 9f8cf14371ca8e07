// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/import/midi_song.h"

#include <algorithm>
#include <array>

#include "core/midi/short_message.h"
#include "core/text/text_codec.h"
#include "core/text/utf8.h"

namespace kelodi {

namespace {

constexpr int NotesPerChannel = 128;
constexpr int Percussion = 9;
constexpr std::uint32_t DefaultMicrosecondsPerQuarter = 500'000;
constexpr std::string_view ReplacementCharacter = "\xEF\xBF\xBD";

bool isNoteOn(const MidiTrackEvent& e) { return (e.status & 0xF0) == 0x90 && e.data2 > 0; }
bool isNoteOff(const MidiTrackEvent& e)
{
    return (e.status & 0xF0) == 0x80 || ((e.status & 0xF0) == 0x90 && e.data2 == 0);
}
bool isProgramChange(const MidiTrackEvent& e) { return (e.status & 0xF0) == 0xC0; }

std::string latin1ToUtf8(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out.push_back(c);
        } else {
            out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
            out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return out;
}

// A name as UTF-8, without the padding some programs leave around it.
std::string nameText(std::string_view raw, const TextCodec* codec)
{
    const auto padding = [](char c) { return c == '\0' || c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!raw.empty() && padding(raw.back()))
        raw.remove_suffix(1);
    while (!raw.empty() && padding(raw.front()))
        raw.remove_prefix(1);
    if (isValidUtf8(raw))
        return std::string(raw);
    if (codec) {
        std::string text = codec->gbkToUtf8(raw);
        if (text.find(ReplacementCharacter) == std::string::npos)
            return text;
    }
    return latin1ToUtf8(raw);
}

// The notes of one track, by channel.
std::array<std::vector<ImportedNote>, ChannelCount> trackNotes(const MidiTrack& track, const TempoMap& tempo)
{
    // Per channel and note, the note-ons not yet ended, oldest at `first`.
    // (Empty vectors cost no allocation; most notes never sound.)
    struct Started {
        std::vector<const MidiTrackEvent*> ons;
        std::size_t first = 0;
    };
    std::vector<Started> sounding(ChannelCount * NotesPerChannel);
    std::array<std::vector<ImportedNote>, ChannelCount> notes;
    const auto add = [&](const MidiTrackEvent& on, std::uint64_t offTick) {
        ImportedNote note;
        note.start = tempo.seconds(on.tick);
        note.end = tempo.seconds(std::max(offTick, on.tick));
        note.pitch = on.data1;
        note.velocity = on.data2;
        notes[on.status & 0x0F].push_back(note);
    };
    for (const MidiTrackEvent& e : track.events) {
        if (!isNoteOn(e) && !isNoteOff(e))
            continue;
        Started& started = sounding[static_cast<std::size_t>((e.status & 0x0F) * NotesPerChannel + e.data1)];
        if (isNoteOn(e))
            started.ons.push_back(&e);
        else if (started.first < started.ons.size())
            add(*started.ons[started.first++], e.tick);
    }
    for (const Started& started : sounding)
        for (std::size_t k = started.first; k < started.ons.size(); ++k)
            add(*started.ons[k], track.endTick);
    return notes;
}

// The program each channel plays at a tick: program changes of all tracks.
class ProgramMap {
public:
    explicit ProgramMap(const MidiFile& file)
    {
        for (const MidiTrack& track : file.tracks)
            for (const MidiTrackEvent& e : track.events)
                if (isProgramChange(e))
                    m_changes[e.status & 0x0F].push_back({e.tick, e.data1});
        for (auto& changes : m_changes)
            std::stable_sort(changes.begin(), changes.end(),
                             [](const Change& a, const Change& b) { return a.tick < b.tick; });
    }

    int programAt(int channel, std::uint64_t tick) const
    {
        int program = -1;
        for (const Change& change : m_changes[static_cast<std::size_t>(channel)]) {
            if (change.tick > tick)
                break;
            program = change.program;
        }
        return program;
    }

private:
    struct Change {
        std::uint64_t tick;
        int program;
    };
    std::array<std::vector<Change>, ChannelCount> m_changes;
};

std::uint64_t firstNoteTick(const MidiTrack& track, int channel)
{
    for (const MidiTrackEvent& e : track.events)
        if (isNoteOn(e) && (e.status & 0x0F) == channel)
            return e.tick;
    return 0;
}

// Bars from tick 0 to `endTick` as the time signatures lay them out; a
// signature that comes inside a bar starts a new one.
std::vector<double> barStarts(const MidiFile& file, const TempoMap& tempo, std::uint64_t endTick)
{
    std::vector<double> bars;
    const int perQuarter = file.division.ticksPerQuarter;
    if (perQuarter == 0 || file.timeSignatures.empty())
        return bars;
    const auto& signatures = file.timeSignatures;
    std::size_t next = 0;
    MidiTimeSignature current;
    std::uint64_t tick = 0;
    while (tick < endTick && bars.size() < MaxPlayedMeasures) {
        while (next < signatures.size() && signatures[next].tick <= tick)
            current = signatures[next++];
        const std::uint64_t length =
            std::max<std::uint64_t>(1, static_cast<std::uint64_t>(current.beats) * 4 * perQuarter / current.unit);
        bars.push_back(tempo.seconds(tick));
        std::uint64_t end = tick + length;
        if (next < signatures.size() && signatures[next].tick < end)
            end = signatures[next].tick;
        tick = end;
    }
    return bars;
}

}  // namespace

ImportedSong midiSong(const MidiFile& file, const TextCodec* names)
{
    ImportedSong song;
    const TempoMap tempo(file);
    const ProgramMap programs(file);
    std::size_t noteCount = 0;
    std::uint64_t lastTick = 0;
    for (std::size_t t = 0; t < file.tracks.size(); ++t) {
        const MidiTrack& track = file.tracks[t];
        std::array<std::vector<ImportedNote>, ChannelCount> notes = trackNotes(track, tempo);
        for (int channel = 0; channel < ChannelCount; ++channel) {
            std::vector<ImportedNote>& channelNotes = notes[static_cast<std::size_t>(channel)];
            if (channelNotes.empty())
                continue;
            noteCount += channelNotes.size();
            if (noteCount > MaxImportNotes || song.parts.size() >= MaxImportParts)
                return failedImport(ImportProblem::TooManyElements,
                                    "more than " + std::to_string(MaxImportNotes) + " notes or " +
                                        std::to_string(MaxImportParts) + " parts");
            ImportedPart part;
            part.name = nameText(track.name, names);
            part.instrument = nameText(track.instrument, names);
            part.program = programs.programAt(channel, firstNoteTick(track, channel));
            part.channel = channel;
            part.percussion = channel == Percussion;
            part.track = static_cast<int>(t) + 1;
            sortNotes(channelNotes);
            part.notes = std::move(channelNotes);
            song.parts.push_back(std::move(part));
        }
        if (!track.events.empty())
            lastTick = std::max(lastTick, track.events.back().tick);
    }
    if (!file.tracks.empty())
        song.title = nameText(file.tracks.front().name, names);
    if (!file.keySignatures.empty())
        song.key = KeySignature{file.keySignatures.front().fifths, file.keySignatures.front().minor};
    if (!file.timeSignatures.empty())
        song.time = TimeSignature{file.timeSignatures.front().beats, file.timeSignatures.front().unit};
    if (file.division.ticksPerQuarter > 0) {
        std::uint32_t microseconds = DefaultMicrosecondsPerQuarter;
        for (const TempoChange& change : file.tempoChanges)
            if (change.tick == 0)
                microseconds = change.microsecondsPerQuarter;
        song.beatSeconds = microseconds * 1e-6 * (song.time ? 4.0 / song.time->unit : 1.0);
    }
    song.barStarts = barStarts(file, tempo, lastTick);
    return song;
}

}  // namespace kelodi
