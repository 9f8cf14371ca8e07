// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/midi/midi_file.h"

#include <algorithm>
#include <cmath>

namespace kelodi {

namespace {

// A variable-length quantity holds at most 28 bits in four bytes.
constexpr std::uint32_t MaxVariableLength = 0x0FFFFFFF;
constexpr std::uint32_t DefaultMicrosecondsPerQuarter = 500'000;
constexpr std::uint8_t MetaEvent = 0xFF;
constexpr std::uint8_t MetaText = 0x01;
constexpr std::uint8_t MetaTrackName = 0x03;
constexpr std::uint8_t MetaInstrumentName = 0x04;
constexpr std::uint8_t MetaEndOfTrack = 0x2F;
constexpr std::uint8_t MetaTempo = 0x51;
constexpr std::uint8_t MetaTimeSignature = 0x58;
constexpr std::uint8_t MetaKeySignature = 0x59;
constexpr std::uint8_t SysEx = 0xF0;
constexpr std::uint8_t SysExContinuation = 0xF7;

void putBigEndian(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void putVariableLength(std::string& out, std::uint32_t value)
{
    char bytes[4];
    int count = 0;
    do {
        bytes[count++] = static_cast<char>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count > 1)
        out.push_back(static_cast<char>(bytes[--count] | 0x80));
    out.push_back(bytes[0]);
}

// A delta time too long for one quantity is reached through empty text
// events, which every reader passes over.
void putDelta(std::string& out, std::uint64_t delta)
{
    while (delta > MaxVariableLength) {
        putVariableLength(out, MaxVariableLength);
        out += {static_cast<char>(MetaEvent), static_cast<char>(MetaText), 0};
        delta -= MaxVariableLength;
    }
    putVariableLength(out, static_cast<std::uint32_t>(delta));
}

std::uint64_t tickAt(double seconds)
{
    if (!(seconds > 0))
        return 0;
    // Far beyond any playable length; keeps the conversion defined.
    const double ticks = std::min(seconds * 1000.0, 1e15);
    return static_cast<std::uint64_t>(std::llround(ticks));
}

void setError(std::string* error, std::string text)
{
    if (error)
        *error = std::move(text);
}

// Reads big-endian numbers and variable-length quantities from a span of
// bytes; any read past the end sets the failure and yields 0.
class ByteReader {
public:
    explicit ByteReader(std::string_view bytes) : m_bytes(bytes) {}

    std::size_t remaining() const { return m_bytes.size() - m_position; }
    bool atEnd() const { return m_position >= m_bytes.size(); }
    std::size_t position() const { return m_position; }

    std::uint8_t peek() const { return atEnd() ? 0 : static_cast<std::uint8_t>(m_bytes[m_position]); }
    std::uint8_t byte()
    {
        if (atEnd()) {
            m_failed = true;
            return 0;
        }
        return static_cast<std::uint8_t>(m_bytes[m_position++]);
    }
    std::uint32_t bigEndian(int count)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i)
            value = (value << 8) | byte();
        return value;
    }
    // False when the quantity runs over four bytes.
    bool variableLength(std::uint32_t& value)
    {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            const std::uint8_t b = byte();
            value = (value << 7) | (b & 0x7Fu);
            if ((b & 0x80) == 0)
                return true;
        }
        return false;
    }
    std::string_view take(std::size_t count)
    {
        if (count > remaining()) {
            m_failed = true;
            m_position = m_bytes.size();
            return {};
        }
        const std::string_view part = m_bytes.substr(m_position, count);
        m_position += count;
        return part;
    }
    bool failed() const { return m_failed; }

private:
    std::string_view m_bytes;
    std::size_t m_position = 0;
    bool m_failed = false;
};

int dataBytesOf(std::uint8_t status)
{
    const std::uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

// The meta events an import uses: tempo, key and time signatures go to the
// file's lists, names to the track. A malformed one (a tempo of 0 would stop
// time) is read over like any other.
void keepMetaEvent(std::uint8_t type, std::string_view data, std::uint64_t tick, MidiTrack& track, MidiFile& file)
{
    const auto byteAt = [&](std::size_t i) { return static_cast<std::uint8_t>(data[i]); };
    if (type == MetaTempo && data.size() == 3) {
        const std::uint32_t microseconds = (std::uint32_t(byteAt(0)) << 16) | (std::uint32_t(byteAt(1)) << 8) | byteAt(2);
        if (microseconds > 0)
            file.tempoChanges.push_back({tick, microseconds});
    } else if (type == MetaKeySignature && data.size() == 2) {
        const int fifths = static_cast<std::int8_t>(byteAt(0));
        if (fifths >= -7 && fifths <= 7 && byteAt(1) <= 1)
            file.keySignatures.push_back({tick, fifths, byteAt(1) == 1});
    } else if (type == MetaTimeSignature && data.size() >= 2) {
        // The unit is a power of two: 2 stands for a quarter.
        if (byteAt(0) > 0 && byteAt(1) <= 6)
            file.timeSignatures.push_back({tick, byteAt(0), 1 << byteAt(1)});
    } else if (type == MetaTrackName && track.name.empty()) {
        track.name = data;
    } else if (type == MetaInstrumentName && track.instrument.empty()) {
        track.instrument = data;
    }
}

// Reads one MTrk chunk, event by event, and says why it stopped when the
// track is malformed.
class TrackReader {
public:
    TrackReader(std::string_view chunk, int number, MidiTrack& track, MidiFile& file,
                std::string* error)
        : m_in(chunk), m_where("track " + std::to_string(number) + ": "), m_track(track), m_file(file),
          m_error(error)
    {
    }

    // Channel messages and names go to the track; tempo, key and time
    // signatures to the file.
    bool read()
    {
        while (!m_in.atEnd()) {
            std::uint8_t status = 0;
            if (!readDeltaAndStatus(status))
                return false;
            if (status < 0xF0) {
                if (!readChannelMessage(status))
                    return false;
                continue;
            }
            if (status != MetaEvent && status != SysEx && status != SysExContinuation)
                return fail("status byte " + std::to_string(status) + " has no place in a file");
            bool endOfTrack = false;
            if (!readMetaOrSysEx(status, endOfTrack))
                return false;
            if (endOfTrack)
                break;
        }
        m_track.endTick = m_tick;
        return true;
    }

private:
    bool fail(const std::string& reason)
    {
        setError(m_error, m_where + reason);
        return false;
    }

    // The delta time, then the status byte, which a data byte in its place
    // repeats (running status).
    bool readDeltaAndStatus(std::uint8_t& status)
    {
        std::uint32_t delta = 0;
        if (!m_in.variableLength(delta))
            return fail("a delta time runs over four bytes");
        m_tick += delta;
        if (m_in.failed() || m_in.atEnd())
            return fail("ends inside a delta time or right after one");
        status = m_in.peek();
        if (status & 0x80) {
            m_in.byte();
        } else if (m_runningStatus != 0) {
            status = m_runningStatus;
        } else {
            return fail("a data byte where a status byte is needed (running status without a status)");
        }
        return true;
    }

    bool readChannelMessage(std::uint8_t status)
    {
        m_runningStatus = status;
        MidiTrackEvent event;
        event.tick = m_tick;
        event.status = status;
        event.data1 = m_in.byte();
        if (dataBytesOf(status) == 2)
            event.data2 = m_in.byte();
        if (m_in.failed())
            return fail("ends inside a channel message");
        if ((event.data1 | event.data2) & 0x80)
            return fail("a channel message with a data byte above 127");
        m_track.events.push_back(event);
        return true;
    }

    // Meta events and system-exclusive messages: the end of the track ends
    // it, the meta events an import uses are kept, the rest is read over.
    bool readMetaOrSysEx(std::uint8_t status, bool& endOfTrack)
    {
        const std::uint8_t type = status == MetaEvent ? m_in.byte() : 0;
        std::uint32_t length = 0;
        if (!m_in.variableLength(length))
            return fail("an event length runs over four bytes");
        const std::string_view data = m_in.take(length);
        if (m_in.failed())
            return fail("an event of " + std::to_string(length) + " bytes runs past the end of the track");
        if (status != MetaEvent)
            return true;
        if (type == MetaEndOfTrack)
            endOfTrack = true;
        else
            keepMetaEvent(type, data, m_tick, m_track, m_file);
        return true;
    }

    ByteReader m_in;
    const std::string m_where;
    MidiTrack& m_track;
    MidiFile& m_file;
    std::string* m_error;
    std::uint64_t m_tick = 0;
    std::uint8_t m_runningStatus = 0;
};

// The division word of the header: ticks per quarter note, or (top bit set)
// SMPTE frames per second and ticks per frame.
bool readDivision(std::uint32_t division, MidiDivision& result, std::string* error)
{
    if (division & 0x8000) {
        // SMPTE: the high byte is minus the frame rate.
        const int fps = 256 - static_cast<int>(division >> 8);
        result.framesPerSecond = fps;
        result.ticksPerFrame = static_cast<int>(division & 0xFF);
        if ((fps != 24 && fps != 25 && fps != 29 && fps != 30) || result.ticksPerFrame == 0) {
            setError(error, "SMPTE division of " + std::to_string(fps) + " frames per second and " +
                                std::to_string(result.ticksPerFrame) + " ticks per frame");
            return false;
        }
        return true;
    }
    result.ticksPerQuarter = static_cast<int>(division);
    if (division == 0) {
        setError(error, "a division of 0 ticks per quarter note");
        return false;
    }
    return true;
}

// The MThd chunk: the format, the number of tracks announced and the division.
bool readHeader(ByteReader& in, MidiFile& file, std::uint32_t& trackCount, std::string* error)
{
    if (in.take(4) != "MThd") {
        setError(error, "not a MIDI file (no MThd header)");
        return false;
    }
    const std::uint32_t headerLength = in.bigEndian(4);
    if (in.failed() || headerLength < 6 || headerLength > in.remaining()) {
        setError(error, "the header chunk is cut short");
        return false;
    }
    ByteReader header(in.take(headerLength));
    file.format = static_cast<int>(header.bigEndian(2));
    trackCount = header.bigEndian(2);
    const std::uint32_t division = header.bigEndian(2);
    if (file.format > 1) {
        setError(error, "format " + std::to_string(file.format) + " is not supported (only formats 0 and 1)");
        return false;
    }
    if (trackCount == 0) {
        setError(error, "the header announces no track");
        return false;
    }
    return readDivision(division, file.division, error);
}

}  // namespace

std::string encodeMidiFile(const std::vector<TimedMessage>& messages, double endSeconds)
{
    std::string track;
    track.reserve(messages.size() * 4 + 16);
    putVariableLength(track, 0);
    track += {static_cast<char>(MetaEvent), static_cast<char>(MetaTempo), 3};
    putBigEndian(track, ExportMicrosecondsPerQuarter, 3);

    std::uint64_t previous = 0;
    for (const TimedMessage& timed : messages) {
        const std::uint8_t status = statusByte(timed.message);
        if (status < 0x80 || status >= 0xF0)
            continue;
        const std::uint64_t tick = std::max(previous, tickAt(timed.seconds));
        putDelta(track, tick - previous);
        previous = tick;
        track.push_back(static_cast<char>(status));
        track.push_back(static_cast<char>(dataByte1(timed.message) & 0x7F));
        if (shortMessageLength(timed.message) == 3)
            track.push_back(static_cast<char>(dataByte2(timed.message) & 0x7F));
    }
    const std::uint64_t end = std::max(previous, tickAt(endSeconds));
    putDelta(track, end - previous);
    track += {static_cast<char>(MetaEvent), static_cast<char>(MetaEndOfTrack), 0};

    std::string file = "MThd";
    putBigEndian(file, 6, 4);
    putBigEndian(file, 0, 2);  // format 0
    putBigEndian(file, 1, 2);  // one track
    putBigEndian(file, ExportTicksPerQuarter, 2);
    file += "MTrk";
    putBigEndian(file, static_cast<std::uint32_t>(track.size()), 4);
    file += track;
    return file;
}

std::optional<MidiFile> parseMidiFile(std::string_view bytes, std::string* error)
{
    ByteReader in(bytes);
    MidiFile file;
    std::uint32_t trackCount = 0;
    if (!readHeader(in, file, trackCount, error))
        return std::nullopt;
    while (file.tracks.size() < trackCount && !in.atEnd()) {
        const std::string_view type = in.take(4);
        const std::uint32_t length = in.bigEndian(4);
        if (in.failed()) {
            setError(error, "a chunk header is cut short");
            return std::nullopt;
        }
        if (length > in.remaining()) {
            setError(error, "a chunk of " + std::to_string(length) + " bytes runs past the end of the file (" +
                                std::to_string(in.remaining()) + " left)");
            return std::nullopt;
        }
        const std::string_view chunk = in.take(length);
        if (type != "MTrk")
            continue;  // chunks of other kinds are for other programs
        MidiTrack track;
        if (!TrackReader(chunk, static_cast<int>(file.tracks.size()) + 1, track, file, error).read())
            return std::nullopt;
        file.tracks.push_back(std::move(track));
    }
    if (file.tracks.size() < trackCount) {
        setError(error, "the file ends after " + std::to_string(file.tracks.size()) + " of " +
                            std::to_string(trackCount) + " tracks");
        return std::nullopt;
    }
    const auto byTick = [](const auto& a, const auto& b) { return a.tick < b.tick; };
    std::stable_sort(file.tempoChanges.begin(), file.tempoChanges.end(), byTick);
    std::stable_sort(file.keySignatures.begin(), file.keySignatures.end(), byTick);
    std::stable_sort(file.timeSignatures.begin(), file.timeSignatures.end(), byTick);
    return file;
}

TempoMap::TempoMap(const MidiFile& file)
{
    const MidiDivision& d = file.division;
    if (d.ticksPerQuarter == 0) {
        // SMPTE time: a fixed number of ticks per second; 29 stands for the
        // NTSC rate of 30000/1001 frames.
        const double fps = d.framesPerSecond == 29 ? 30000.0 / 1001.0 : d.framesPerSecond;
        const double perSecond = fps * std::max(d.ticksPerFrame, 1);
        m_segments.push_back({0, 0.0, perSecond > 0 ? 1.0 / perSecond : 0.0});
        return;
    }
    const double quarter = 1e-6 / d.ticksPerQuarter;
    m_segments.push_back({0, 0.0, DefaultMicrosecondsPerQuarter * quarter});
    for (const TempoChange& change : file.tempoChanges) {
        Segment& last = m_segments.back();
        const double perTick = change.microsecondsPerQuarter * quarter;
        if (change.tick == last.tick) {
            last.secondsPerTick = perTick;
            continue;
        }
        const double at = last.seconds + static_cast<double>(change.tick - last.tick) * last.secondsPerTick;
        m_segments.push_back({change.tick, at, perTick});
    }
}

double TempoMap::seconds(std::uint64_t tick) const
{
    auto after = std::upper_bound(m_segments.begin(), m_segments.end(), tick,
                                  [](std::uint64_t t, const Segment& s) { return t < s.tick; });
    const Segment& segment = *(after - 1);
    return segment.seconds + static_cast<double>(tick - segment.tick) * segment.secondsPerTick;
}

}  // namespace kelodi
