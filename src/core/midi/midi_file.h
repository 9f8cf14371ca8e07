// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/midi/short_message.h"

namespace kelodi {

// Standard MIDI Files: writing a performance as format 0, reading formats 0
// and 1 for their notes and tempo map.

// A channel message with the time it is sent, in seconds from the start.
struct TimedMessage {
    double seconds = 0;
    ShortMessage message = 0;

    friend bool operator==(const TimedMessage&, const TimedMessage&) = default;
};

// What exported files use: 1000 ticks per quarter note at 1,000,000 µs per
// quarter, so one tick is one millisecond, the resolution of the score files.
inline constexpr int ExportTicksPerQuarter = 1000;
inline constexpr std::uint32_t ExportMicrosecondsPerQuarter = 1'000'000;

// A format 0 file of one track: the tempo at tick 0, then `messages` in the
// order given, each at its time rounded to the nearest tick (never before the
// message ahead of it), then the end of the track at `endSeconds` (or at the
// last message, if that is later). Times below 0 count as 0. Only channel
// messages are written; anything else in `messages` is left out.
std::string encodeMidiFile(const std::vector<TimedMessage>& messages, double endSeconds);

// How a file counts time: ticks per quarter note (metrical, the tempo map
// applies) or SMPTE frames per second and ticks per frame (absolute time).
struct MidiDivision {
    int ticksPerQuarter = 0;  // 1..32767, or 0 for SMPTE time
    int framesPerSecond = 0;  // 24, 25, 29 (29.97, drop frame) or 30
    int ticksPerFrame = 0;
};

// A channel message of a track, at its absolute tick.
struct MidiTrackEvent {
    std::uint64_t tick = 0;
    std::uint8_t status = 0;  // 0x80..0xEF
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;  // 0 for messages with one data byte
};

struct MidiTrack {
    std::vector<MidiTrackEvent> events;
    std::uint64_t endTick = 0;  // the end-of-track event, or the last event
    // The first sequence or track name and the first instrument name of the
    // track, as the file spells them (often UTF-8 or Latin-1, GBK in Chinese
    // files); empty when the track has none.
    std::string name;
    std::string instrument;
};

struct TempoChange {
    std::uint64_t tick = 0;
    std::uint32_t microsecondsPerQuarter = 500'000;
};

// A key signature: sharps above zero, flats below (-7..7), and the mode.
struct MidiKeySignature {
    std::uint64_t tick = 0;
    int fifths = 0;
    bool minor = false;
};

// A time signature: `beats` notes of the value 1/`unit` to the bar.
struct MidiTimeSignature {
    std::uint64_t tick = 0;
    int beats = 4;
    int unit = 4;
};

struct MidiFile {
    int format = 0;
    MidiDivision division;
    std::vector<MidiTrack> tracks;
    // Tempo changes, key and time signatures of all tracks, each in tick
    // order; the last of several on the same tick holds.
    std::vector<TempoChange> tempoChanges;
    std::vector<MidiKeySignature> keySignatures;
    std::vector<MidiTimeSignature> timeSignatures;
};

// Files above this size are refused unread: songs are kilobytes, and even an
// orchestral score stays far below it.
inline constexpr std::size_t MaxMidiFileBytes = 32u * 1024u * 1024u;

// Reads a Standard MIDI File (format 0 or 1, running status, any division).
// Empty, with the reason in `error`, for anything that is not such a file or
// is cut short: a missing header, a chunk or event that runs past its end,
// a length or number that is out of bounds, a data byte where a status byte
// is needed. Of the meta events the tempo, key and time signatures and the
// track and instrument names are kept (malformed ones are read over, as are
// the other meta and system-exclusive events); unknown chunks are skipped.
std::optional<MidiFile> parseMidiFile(std::string_view bytes, std::string* error = nullptr);

// Seconds from the start of the file at each tick, following the tempo map
// (or the SMPTE rate, which has none).
class TempoMap {
public:
    explicit TempoMap(const MidiFile& file);
    double seconds(std::uint64_t tick) const;

private:
    struct Segment {
        std::uint64_t tick;
        double seconds;
        double secondsPerTick;
    };
    std::vector<Segment> m_segments;
};

}  // namespace kelodi
