// SPDX-License-Identifier: GPL-3.0-or-later
// Reading .dzq files of either dialect and encoding.
#include "core/recording/dzq_format.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/recording/dzq_syntax.h"
#include "core/recording/file_io.h"
#include "core/text/text_codec.h"
#include "core/text/utf8.h"

namespace kelodi {

using dzq::contains;
using dzq::isStorableDelay;
using dzq::KeyNameHeader;
using dzq::ReleaseWord;

namespace {

constexpr std::string_view JianpuHeader = "简谱倍数:";
constexpr std::string_view RatioHeader = "音符比例:";
// Each header keyword is five characters long; its number follows them.
constexpr std::size_t HeaderKeywordUnits = 5;
constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";
// GBK text is decoded in pieces of about this size (see parseRecording).
constexpr std::size_t GbkPieceBytes = 1u << 20;

// A line as the format reads it: full-width colon, comma and bar made ASCII,
// every space removed (ASCII space, tab and the ideographic space U+3000).
void normalizeLine(std::string_view line, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == ' ' || c == '\t')
            continue;
        if (static_cast<unsigned char>(c) == 0xEF && i + 2 < line.size()) {
            const auto b1 = static_cast<unsigned char>(line[i + 1]);
            const auto b2 = static_cast<unsigned char>(line[i + 2]);
            char ascii = 0;
            if (b1 == 0xBC && b2 == 0x9A)
                ascii = ':';
            else if (b1 == 0xBC && b2 == 0x8C)
                ascii = ',';
            else if (b1 == 0xBD && b2 == 0x9C)
                ascii = '|';
            if (ascii) {
                out.push_back(ascii);
                i += 2;
                continue;
            }
        } else if (static_cast<unsigned char>(c) == 0xE3 && i + 2 < line.size() &&
                   static_cast<unsigned char>(line[i + 1]) == 0x80 &&
                   static_cast<unsigned char>(line[i + 2]) == 0x80) {
            i += 2;
            continue;
        }
        out.push_back(c);
    }
}

// The number after a header keyword: the text after the first five characters
// of the line, whatever they are.
double headerNumber(std::string_view line)
{
    return leadingNumber(line.substr(byteOffsetAfterUtf16Units(line, HeaderKeywordUnits)));
}

// Rounds to three decimals, as a jianpu note's parts are rounded when they
// become key-name delays.
double roundToMilliseconds(double seconds)
{
    if (!(std::fabs(seconds) < 1e12))
        return seconds;
    return std::nearbyint(seconds * 1000.0) / 1000.0;
}

// Splits `text` at `separator`, calling `f` with each piece (empty ones too).
template <typename F>
void forEachPiece(std::string_view text, char separator, F&& f)
{
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos) {
            f(text.substr(start));
            return;
        }
        f(text.substr(start, end - start));
        start = end + 1;
    }
}

// Finds where lines end (CR or LF) with memchr, which scans many bytes at a
// time. Searching for either character at once (find_first_of) looks every
// byte up in the pair with a call of its own, which was most of the time a
// large score took. The next LF is remembered, so a file with LF line ends is
// not searched again for every line, nor one with CR line ends for an LF it
// does not have.
class LineEnds {
public:
    explicit LineEnds(std::string_view text) : m_text(text) {}

    // Position of the first CR or LF at or after `from`; the text's size when
    // there is none.
    std::size_t next(std::size_t from)
    {
        if (!m_lfKnown || m_nextLf < from) {
            m_nextLf = find('\n', from, m_text.size());
            m_lfKnown = true;
        }
        const std::size_t cr = find('\r', from, m_nextLf);
        return cr < m_nextLf ? cr : m_nextLf;
    }

private:
    std::size_t find(char c, std::size_t from, std::size_t to) const
    {
        if (from >= to)
            return to;
        const void* hit = std::memchr(m_text.data() + from, c, to - from);
        return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - m_text.data()) : to;
    }

    std::string_view m_text;
    std::size_t m_nextLf = 0;
    bool m_lfKnown = false;
};

class RecordingParser {
public:
    // `whole` is all of the file's text (in any encoding); it is only looked
    // at to reserve room for the events.
    explicit RecordingParser(std::string_view whole) : m_whole(whole) {}

    // Reads the lines of `text`, which ends where a line ends (or the file
    // does). False once the line limit has been reached: nothing more is read.
    bool feed(std::string_view text)
    {
        std::size_t pos = 0;
        LineEnds ends(text);
        while (pos < text.size()) {
            if (m_lineNumber == MaxRecordingLines) {
                // Only lines with something on them count as ignored: a
                // written file that fills the last line ends with an empty one.
                if (text.find_first_not_of("\r\n \t", pos) == std::string_view::npos)
                    return true;
                m_file.report.linesIgnored = true;
                return false;
            }
            std::size_t end = ends.next(pos);
            std::size_t next = end;
            if (end == text.size()) {
                next = end;
            } else if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
                next = end + 2;
            } else {
                next = end + 1;
            }
            ++m_lineNumber;
            normalizeLine(text.substr(pos, end - pos), m_line);
            readLine(m_lineNumber, m_line);
            if (m_lineNumber == 1)
                reserveEvents(m_whole);
            pos = next;
        }
        return true;
    }

    RecordingFile finish()
    {
        m_file.report.linesRead = m_lineNumber;
        if (m_file.report.dialect == RecordingDialect::Jianpu && m_jianpuBodyStarted)
            addEvent(m_jianpuPending, KeyEvent::releaseAll(0), m_jianpuLastLine, m_jianpuLastItem, false);
        RecordingEvents& events = m_file.events;
        // Only a file full of items that give no event leaves much unused.
        if (events.capacity() > events.size() + events.size() / 8 + 1024)
            events.shrinkToFit();
        return std::move(m_file);
    }

private:
    // Room for the events the text can hold, once the dialect is known: a
    // large score then fills its tables without regrowing them, which would
    // copy every event again and hold both copies at once. The bound is on
    // what the items can give: at most one event per item of key names and
    // two per jianpu note, and an item that gives one is at least three
    // bytes long ("0,C", "1,1"), so a text of separators alone reserves
    // nothing.
    void reserveEvents(std::string_view text)
    {
        std::size_t separators = 0;
        std::size_t lineFeeds = 0;
        for (const char c : text) {
            separators += c == '|';
            lineFeeds += c == '\n';
        }
        const std::size_t items =
            std::min(separators + lineFeeds + 1, (text.size() - separators) / 3 + 1);
        const std::size_t perItem = m_file.report.dialect == RecordingDialect::Jianpu ? 2 : 1;
        m_file.events.reserve(items * perItem + 1);
    }

    void readLine(int lineNumber, std::string_view line)
    {
        RecordingFileReport& report = m_file.report;
        if (lineNumber == 1) {
            double factor = 0;
            if (contains(line, JianpuHeader)) {
                report.dialect = RecordingDialect::Jianpu;
                report.hasHeader = true;
                factor = headerNumber(line);
            } else if (contains(line, KeyNameHeader)) {
                report.hasHeader = true;
                factor = headerNumber(line);
            }
            report.tempoFactor = factor >= 0.01 ? factor : 1.0;
            if (!report.hasHeader)
                readKeyNameLine(lineNumber, line);
            return;
        }
        if (report.dialect == RecordingDialect::KeyNames) {
            // The song's information, on any line before the first event.
            if (m_file.events.empty() && line.starts_with(SongInfoPrefix)) {
                std::vector<std::string> ignored;
                m_file.info = parseSongInfo(line.substr(SongInfoPrefix.size()), &ignored);
                for (const std::string& entry : ignored)
                    skip(lineNumber, entry, SkipReason::MalformedItem);
                return;
            }
            readKeyNameLine(lineNumber, line);
            return;
        }
        if (lineNumber == 2) {
            double ratio = DefaultSoundingRatio;
            if (contains(line, RatioHeader))
                ratio = headerNumber(line);
            report.soundingRatio = ratio >= 0.01 && ratio <= 2 ? ratio : DefaultSoundingRatio;
            return;
        }
        if (lineNumber == 3)
            return;
        readJianpuLine(lineNumber, line);
    }

    void readKeyNameLine(int lineNumber, std::string_view line)
    {
        forEachPiece(line, '|', [&](std::string_view item) {
            if (item.empty())
                return;
            const std::size_t comma = item.find(',');
            if (comma == std::string_view::npos || comma == 0 || comma + 1 == item.size() ||
                item.find(',', comma + 1) != std::string_view::npos) {
                skip(lineNumber, item, SkipReason::MalformedItem);
                return;
            }
            const std::optional<KeyEvent> event = eventFromName(item.substr(comma + 1));
            if (!event) {
                skip(lineNumber, item, SkipReason::UnknownKey);
                return;
            }
            addEvent(leadingNumber(item.substr(0, comma)), *event, lineNumber, item, true);
        });
    }

    // A jianpu note item "NOTE,LENGTH" becomes three key-name items: the note
    // after the rest of the previous one (or 1 s for the first), its release
    // after the sounding part, and the rest, carried to the next item.
    void readJianpuLine(int lineNumber, std::string_view line)
    {
        if (!m_jianpuBodyStarted) {
            m_jianpuBodyStarted = true;
            m_jianpuPending = 1.0;
        }
        forEachPiece(line, '|', [&](std::string_view item) {
            if (item.empty())
                return;
            const std::size_t comma = item.find(',');
            if (comma == std::string_view::npos || comma == 0) {
                skip(lineNumber, item, SkipReason::MalformedItem);
                return;
            }
            std::string_view note = item.substr(0, comma);
            std::string_view lengthField = item.substr(comma + 1);
            lengthField = lengthField.substr(0, lengthField.find(','));
            const double length = leadingNumber(lengthField);
            if (!(length > 0)) {
                skip(lineNumber, item, SkipReason::BadLength);
                return;
            }
            if (note == "0")
                note = ReleaseWord;
            const std::optional<KeyEvent> event = eventFromName(jianpuToKeyName(note));
            // The rest of the note before belongs to this item's press.
            if (event)
                addEvent(m_jianpuPending, *event, lineNumber, item, false);
            else
                skip(lineNumber, item, SkipReason::UnknownKey);
            const double ratio = m_file.report.soundingRatio;
            addEvent(roundToMilliseconds(length * ratio), KeyEvent::releaseAll(0), lineNumber, item, false);
            m_jianpuPending = roundToMilliseconds(length - length * ratio);
            m_jianpuLastLine = lineNumber;
            m_jianpuLastItem.assign(item);
        });
    }

    // An event `number` seconds (before the tempo factor) after the one
    // before, read from `item` on line `lineNumber`. A delay that cannot be
    // stored is read as 0 and reported; a negative one only when the file
    // wrote it: the rest of a jianpu note held longer than its length
    // (a sounding ratio above 1) is negative by design.
    void addEvent(double number, KeyEvent event, int lineNumber, std::string_view item, bool written)
    {
        const double seconds = m_file.report.tempoFactor * number;
        event.delay = 0.0f;
        if (isStorableDelay(seconds)) {
            event.delay = seconds > 0 ? static_cast<float>(seconds) : 0.0f;
        } else if (written || !(seconds < 0)) {
            RecordingFileReport& report = m_file.report;
            ++report.zeroedDelayCount;
            if (report.zeroedDelays.size() < RecordingFileReport::MaxReportedSkips)
                report.zeroedDelays.push_back({lineNumber, std::string(item)});
        }
        m_file.events.append(event);
    }

    void skip(int lineNumber, std::string_view item, SkipReason reason)
    {
        RecordingFileReport& report = m_file.report;
        ++report.skippedCount;
        if (report.skipped.size() < RecordingFileReport::MaxReportedSkips)
            report.skipped.push_back({lineNumber, std::string(item), reason});
    }

    std::string_view m_whole;
    int m_lineNumber = 0;
    RecordingFile m_file;
    std::string m_line;
    bool m_jianpuBodyStarted = false;
    double m_jianpuPending = 0;
    // The note whose rest the final release waits out.
    int m_jianpuLastLine = 0;
    std::string m_jianpuLastItem;
};

}  // namespace

RecordingFile parseRecordingText(std::string_view utf8)
{
    RecordingParser parser(utf8);
    parser.feed(utf8);
    return parser.finish();
}

RecordingFile parseRecording(std::string_view bytes, const TextCodec& codec)
{
    const bool hasBom = bytes.substr(0, Utf8Bom.size()) == Utf8Bom;
    const std::string_view body = hasBom ? bytes.substr(Utf8Bom.size()) : bytes;
    if (isValidUtf8(body)) {
        RecordingFile file = parseRecordingText(body);
        file.report.encoding = hasBom ? TextEncoding::Utf8WithBom : TextEncoding::Utf8;
        return file;
    }
    // A mark in front of text that is not UTF-8 after all is dropped rather
    // than decoded into the first line's header.
    //
    // GBK is decoded a piece at a time, each piece ending after a line feed
    // (a byte that is never part of a GBK character), so a large score is
    // never held twice, and lines past the limit are not decoded at all.
    RecordingParser parser(body);
    std::size_t pos = 0;
    while (pos < body.size()) {
        std::size_t end = body.find('\n', std::min(pos + GbkPieceBytes, body.size()) - 1);
        end = end == std::string_view::npos ? body.size() : end + 1;
        if (!parser.feed(codec.gbkToUtf8(body.substr(pos, end - pos))))
            break;
        pos = end;
    }
    RecordingFile file = parser.finish();
    file.report.encoding = TextEncoding::Gbk;
    return file;
}

std::optional<RecordingFile> readRecordingFile(const std::filesystem::path& path, const TextCodec& codec,
                                               std::string* error, FileReadFailure* failure)
{
    const std::optional<std::string> bytes = readFileBytes(path, MaxRecordingFileBytes, error, failure);
    if (!bytes)
        return std::nullopt;
    return parseRecording(*bytes, codec);
}

}  // namespace kelodi
