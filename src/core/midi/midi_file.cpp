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

// One MTrk chunk. Channel messages and names go to `track`, tempo, key and
// time signatures to `file`.
bool parseTrack(std::string_view chunk, int number, MidiTrack& track, MidiFile& file, std::string* error)
{
    const std::string where = "track " + std::to_string(number) + ": ";
    ByteReader in(chunk);
    std::uint64_t tick = 0;
    std::uint8_t runningStatus = 0;
    while (!in.atEnd()) {
        std::uint32_t delta = 0;
        if (!in.variableLength(delta)) {
            setError(error, where + "a delta time runs over four bytes");
            return false;
        }
        tick += delta;
        if (in.failed() || in.atEnd()) {
            setError(error, where + "ends inside a delta time or right after one");
            return false;
        }
        std::uint8_t status = in.peek();
        if (status & 0x80) {
            in.byte();
        } else if (runningStatus != 0) {
            status = runningStatus;
        } else {
            setError(error, where + "a data byte where a status byte is needed (running status without a status)");
            return false;
        }

        if (status < 0xF0) {
            runningStatus = status;
            MidiTrackEvent event;
            event.tick = tick;
            event.status = status;
            event.data1 = in.byte();
            if (dataBytesOf(status) == 2)
                event.data2 = in.byte();
            if (in.failed()) {
                setError(error, where + "ends inside a channel message");
                return false;
            }
            if ((event.data1 | event.data2) & 0x80) {
                setError(error, where + "a channel message with a data byte above 127");
                return false;
            }
            track.events.push_back(event);
            continue;
        }

        if (status == MetaEvent || status == SysEx || status == SysExContinuation) {
            const std::uint8_t type = status == MetaEvent ? in.byte() : 0;
            std::uint32_t length = 0;
            if (!in.variableLength(length)) {
                setError(error, where + "an event length runs over four bytes");
                return false;
            }
            const std::string_view data = in.take(length);
            if (in.failed()) {
                setError(error, where + "an event of " + std::to_string(length) + " bytes runs past the end of the track");
                return false;
            }
            if (status != MetaEvent)
                continue;
            if (type == MetaEndOfTrack)
                break;
            keepMetaEvent(type, data, tick, track, file);
            continue;
        }
        setError(error, where + "status byte " + std::to_string(status) + " has no place in a file");
        return false;
    }
    track.endTick = tick;
    return true;
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
    if (in.take(4) != "MThd") {
        setError(error, "not a MIDI file (no MThd header)");
        return std::nullopt;
    }
    const std::uint32_t headerLength = in.bigEndian(4);
    if (in.failed() || headerLength < 6 || headerLength > in.remaining()) {
        setError(error, "the header chunk is cut short");
        return std::nullopt;
    }
    ByteReader header(in.take(headerLength));
    MidiFile file;
    file.format = static_cast<int>(header.bigEndian(2));
    const std::uint32_t trackCount = header.bigEndian(2);
    const std::uint32_t division = header.bigEndian(2);
    if (file.format > 1) {
        setError(error, "format " + std::to_string(file.format) + " is not supported (only formats 0 and 1)");
        return std::nullopt;
    }
    if (trackCount == 0) {
        setError(error, "the header announces no track");
        return std::nullopt;
    }
    if (division & 0x8000) {
        // SMPTE: the high byte is minus the frame rate.
        const int fps = 256 - static_cast<int>(division >> 8);
        file.division.framesPerSecond = fps;
        file.division.ticksPerFrame = static_cast<int>(division & 0xFF);
        if ((fps != 24 && fps != 25 && fps != 29 && fps != 30) || file.division.ticksPerFrame == 0) {
            setError(error, "SMPTE division of " + std::to_string(fps) + " frames per second and " +
                                std::to_string(file.division.ticksPerFrame) + " ticks per frame");
            return std::nullopt;
        }
    } else {
        file.division.ticksPerQuarter = static_cast<int>(division);
        if (division == 0) {
            setError(error, "a division of 0 ticks per quarter note");
            return std::nullopt;
        }
    }

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
        if (!parseTrack(chunk, static_cast<int>(file.tracks.size()) + 1, track, file, error))
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
