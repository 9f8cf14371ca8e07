// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/practice/jianpu_layout.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/practice/jianpu_note.h"

namespace kelodi {

namespace {

constexpr int QuartersPerBeat = 4;
// Silence shorter than this (in quarter beats) belongs to the note before.
constexpr int ShortestRest = 2;
// Spacings within this share of each other are one when the beat is found.
constexpr double SpacingTolerance = 0.12;
constexpr double FastestBeat = 0.3;  // seconds
constexpr double SlowestBeat = 1.2;
// A beat taken when there is nothing to find it from (a single note).
constexpr double FallbackBeat = 0.5;
constexpr double LeastSoundingRatio = 0.25;

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    const std::size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle), values.end());
    return values[middle];
}

// How long note i sounds: until its keys are let go, or until the next note
// when they are still down then.
double soundingTime(const Score& score, std::size_t i)
{
    const ScoreNote& note = score.notes[i];
    const bool last = i + 1 == score.notes.size();
    const double next = last ? 0 : score.notes[i + 1].start;
    if (note.release && (last || *note.release < next))
        return *note.release - note.start;
    return last ? 0 : next - note.start;
}

double usualSoundingRatio(const Score& score)
{
    std::vector<double> shares;
    for (std::size_t i = 0; i + 1 < score.notes.size(); ++i) {
        const double spacing = score.notes[i + 1].start - score.notes[i].start;
        if (spacing > 0)
            shares.push_back(std::min(1.0, soundingTime(score, i) / spacing));
    }
    return shares.empty() ? 1.0 : std::max(LeastSoundingRatio, median(std::move(shares)));
}

// A piece of the song in quarter beats: a note (its index) or a rest.
struct Piece {
    std::size_t note = ScoreGlyph::NoNote;
    int start = 0;
    int length = 0;
};

class GlyphWriter {
public:
    GlyphWriter(const Score& score, JianpuScore& out) : m_score(score), m_out(out)
    {
        m_barLength = out.time.beats * QuartersPerBeat;
    }

    // Writes a piece, split at bar lines and beats.
    void write(const Piece& piece)
    {
        int start = piece.start;
        int left = piece.length;
        bool tied = false;
        while (left > 0) {
            const int inBar = std::min(left, m_barLength - start % m_barLength);
            writeInBar(piece.note, start, inBar, tied);
            tied = true;
            start += inBar;
            left -= inBar;
        }
    }

private:
    void writeInBar(std::size_t note, int start, int length, bool tied)
    {
        const bool rest = note == ScoreGlyph::NoNote;
        while (length > 0) {
            const int inBeat = start % QuartersPerBeat;
            int taken = 0;
            if (inBeat != 0 || length < QuartersPerBeat) {
                // Up to the next beat: 1, 2 or 3 quarters.
                taken = std::min(length, QuartersPerBeat - inBeat);
                glyph(note, start, taken, tied);
            } else if (rest) {
                taken = QuartersPerBeat;
                glyph(note, start, taken, tied);
            } else if (length / QuartersPerBeat == 1 && length % QuartersPerBeat == 2) {
                taken = 6;  // a beat and a half: dotted
                glyph(note, start, taken, tied);
            } else {
                const int beats = length / QuartersPerBeat;
                glyph(note, start, QuartersPerBeat, tied);
                for (int b = 1; b < beats; ++b)
                    dash(note, start + b * QuartersPerBeat);
                taken = beats * QuartersPerBeat;
            }
            tied = !rest;
            start += taken;
            length -= taken;
        }
    }

    void glyph(std::size_t note, int start, int length, bool tied)
    {
        ScoreGlyph g;
        g.kind = note == ScoreGlyph::NoNote ? ScoreGlyph::Kind::Rest : ScoreGlyph::Kind::Note;
        g.note = note;
        if (g.kind == ScoreGlyph::Kind::Note)
            g.keys = m_score.notes[note].keys;
        g.start = start;
        g.length = length;
        g.underlines = length >= QuartersPerBeat ? 0 : length == 1 ? 2 : 1;
        g.dotted = length == 3 || length == 6;
        g.tied = tied && g.kind == ScoreGlyph::Kind::Note;
        m_out.glyphs.push_back(std::move(g));
    }

    void dash(std::size_t note, int start)
    {
        ScoreGlyph g;
        g.kind = ScoreGlyph::Kind::Dash;
        g.note = note;
        g.start = start;
        g.length = QuartersPerBeat;
        m_out.glyphs.push_back(std::move(g));
    }

    const Score& m_score;
    JianpuScore& m_out;
    int m_barLength = 16;
};

}  // namespace

ScoreTiming scoreTiming(const RecordingFileReport& report)
{
    if (report.dialect != RecordingDialect::Jianpu)
        return {};
    return {report.tempoFactor, report.soundingRatio};
}

std::string timeSignatureText(TimeSignature time)
{
    return std::to_string(time.beats) + "/" + std::to_string(time.unit);
}

std::optional<TimeSignature> parseTimeSignature(std::string_view text)
{
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    TimeSignature time;
    const auto readPart = [](std::string_view part, int& value) {
        const auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
        return ec == std::errc() && end == part.data() + part.size();
    };
    if (!readPart(text.substr(0, slash), time.beats) || !readPart(text.substr(slash + 1), time.unit))
        return std::nullopt;
    const bool unitOk = time.unit >= 1 && time.unit <= 32 && (time.unit & (time.unit - 1)) == 0;
    if (time.beats < 1 || time.beats > 32 || !unitOk)
        return std::nullopt;
    return time;
}

double findBeat(const Score& score)
{
    std::vector<double> spacings;
    for (std::size_t i = 1; i < score.notes.size(); ++i) {
        const double spacing = score.notes[i].start - score.notes[i - 1].start;
        if (spacing > 0)
            spacings.push_back(spacing);
    }
    if (spacings.empty())
        return 0;
    std::sort(spacings.begin(), spacings.end());
    // The spacing with the most others near it; of two as common, the longer.
    std::size_t bestCount = 0;
    double best = 0;
    for (const double spacing : spacings) {
        const auto low = std::lower_bound(spacings.begin(), spacings.end(), spacing * (1 - SpacingTolerance));
        const auto high = std::upper_bound(spacings.begin(), spacings.end(), spacing * (1 + SpacingTolerance));
        const auto count = static_cast<std::size_t>(high - low);
        if (count >= bestCount) {
            bestCount = count;
            best = spacing;
        }
    }
    double sum = 0;
    std::size_t count = 0;
    for (const double spacing : spacings) {
        if (std::abs(spacing - best) <= best * SpacingTolerance) {
            sum += spacing;
            ++count;
        }
    }
    double beat = sum / static_cast<double>(count);
    while (beat < FastestBeat)
        beat *= 2;
    while (beat > SlowestBeat)
        beat /= 2;
    return beat;
}

std::pair<std::size_t, std::size_t> JianpuScore::noteGlyphs(std::size_t note) const
{
    if (note >= noteFirst.size())
        return {0, 0};
    return {noteFirst[note], noteEnd[note]};
}

std::size_t JianpuScore::barOf(std::size_t glyph) const
{
    const auto after = std::upper_bound(bars.begin(), bars.end(), glyph,
                                        [](std::size_t g, const JianpuBar& bar) { return g < bar.first; });
    return after == bars.begin() ? 0 : static_cast<std::size_t>(after - bars.begin()) - 1;
}

JianpuScore layoutJianpu(const Score& score, TimeSignature time, const ScoreTiming& timing)
{
    JianpuScore out;
    out.time = time.beats >= 1 && time.unit >= 1 ? time : DefaultTimeSignature;
    const std::size_t count = score.notes.size();
    out.noteFirst.assign(count, 0);
    out.noteEnd.assign(count, 0);
    if (count == 0)
        return out;
    double beat = timing.beatSeconds > 0 ? timing.beatSeconds : findBeat(score);
    if (!(beat > 0))
        beat = FallbackBeat;
    out.beat = beat;
    // A note sounding past the next one is cut there: a ratio above 1 counts
    // as 1.
    const double ratio = std::min(1.0, timing.soundingRatio > 0 ? timing.soundingRatio : usualSoundingRatio(score));
    const auto quarters = [beat](double seconds) {
        return static_cast<int>(std::min(std::lround(seconds / beat * QuartersPerBeat), 1'000'000L));
    };

    // Each note starts the spacing to the one before after that one, in
    // quarter beats (at least one): a tempo that drifts moves no later note.
    const int barLength = out.time.beats * QuartersPerBeat;
    const int longest = MaxPauseBars * barLength;
    GlyphWriter writer(score, out);
    int start = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const bool last = i + 1 == count;
        int slot = last ? 0 : std::max(1, quarters(score.notes[i + 1].start - score.notes[i].start));
        if (slot > longest)
            slot -= (slot - longest + barLength - 1) / barLength * barLength;
        int length = std::min(std::max(1, quarters(soundingTime(score, i) / ratio)), longest);
        if (last && soundingTime(score, i) <= 0)
            length = QuartersPerBeat;
        if (!last && slot - length < ShortestRest)
            length = slot;
        out.noteFirst[i] = out.glyphs.size();
        writer.write({i, start, length});
        out.noteEnd[i] = out.glyphs.size();
        if (!last && slot > length)
            writer.write({ScoreGlyph::NoNote, start + length, slot - length});
        start += last ? length : slot;
    }

    for (std::size_t g = 0; g < out.glyphs.size(); ++g) {
        const bool newBar = out.bars.empty() ||
                            out.glyphs[g].start / barLength != out.glyphs[g - 1].start / barLength;
        if (newBar)
            out.bars.push_back({g, 0});
        ++out.bars.back().count;
    }
    return out;
}

std::size_t barCells(const JianpuBar& bar)
{
    return bar.count + 1;
}

std::vector<JianpuRow> breakRows(const JianpuScore& score, std::size_t rowCells)
{
    std::vector<JianpuRow> rows;
    std::size_t used = 0;
    for (std::size_t b = 0; b < score.bars.size(); ++b) {
        const std::size_t cells = barCells(score.bars[b]);
        if (rows.empty() || used + cells > rowCells) {
            rows.push_back({b, 0});
            used = 0;
        }
        ++rows.back().barCount;
        used += cells;
    }
    return rows;
}

std::string originalKeyText(std::string_view originalKey)
{
    static constexpr std::array<std::string_view, 12> Names = {"C", "#C", "D", "#D", "E", "F",
                                                               "#F", "G", "#G", "A", "#A", "B"};
    // Written as jianpu writes them: flats but for #F.
    static constexpr std::array<std::string_view, 12> Written = {"C", "bD", "D", "bE", "E", "F",
                                                                 "#F", "G", "bA", "A", "bB", "B"};
    const bool minor = !originalKey.empty() && originalKey.back() == 'm';
    if (minor)
        originalKey.remove_suffix(1);
    const auto found = std::find(Names.begin(), Names.end(), originalKey);
    if (found == Names.end())
        return {};
    const auto tonic = static_cast<std::size_t>(found - Names.begin());
    // A minor key reads in jianpu as its relative major, three semitones up.
    return std::string(Written[(tonic + (minor ? 3 : 0)) % Names.size()]);
}

std::string jianpuHeader(TimeSignature time, std::string_view title, std::string_view originalKey)
{
    std::string header = "1=C " + timeSignatureText(time);
    if (!title.empty())
        header += "  " + std::string(title);
    if (const std::string key = originalKeyText(originalKey); !key.empty())
        header += "  原调 1=" + key;
    return header;
}

namespace {

std::size_t columnsOf(std::string_view utf8)
{
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// One printed row: lines of columns, each column one character.
class TextRow {
public:
    using Line = std::vector<std::string>;

    explicit TextRow(std::size_t levels) : m_above(levels), m_digits(levels), m_below(levels) {}

    void put(Line& line, std::size_t column, std::string_view text)
    {
        for (std::size_t i = 0; i < text.size();) {
            std::size_t n = 1;
            while (i + n < text.size() && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80)
                ++n;
            if (line.size() <= column)
                line.resize(column + 1, " ");
            line[column++] = std::string(text.substr(i, n));
            i += n;
        }
    }
    Line& above(std::size_t level) { return m_above[level]; }
    Line& digits(std::size_t level) { return m_digits[level]; }
    Line& below(std::size_t level) { return m_below[level]; }
    Line& underline(int which) { return m_underlines[static_cast<std::size_t>(which - 1)]; }
    Line& ties() { return m_ties; }

    std::string text() const
    {
        std::string out;
        const auto add = [&out](const Line& line, bool always) {
            std::string text;
            for (const std::string& c : line)
                text += c;
            while (!text.empty() && text.back() == ' ')
                text.pop_back();
            if (always || !text.empty())
                out += text + "\n";
        };
        add(m_ties, false);
        for (std::size_t level = m_digits.size(); level-- > 0;) {
            add(m_above[level], false);
            add(m_digits[level], level == 0);
            if (level > 0)
                add(m_below[level], false);
        }
        add(m_underlines[0], false);
        add(m_underlines[1], false);
        add(m_below[0], false);
        return out;
    }

private:
    std::vector<Line> m_above;
    std::vector<Line> m_digits;
    std::vector<Line> m_below;
    std::array<Line, 2> m_underlines;
    Line m_ties;
};

// What glyph g writes at each level from the bottom (a Note's keys, lowest
// first), and the column its digit starts at within them.
std::vector<std::string> glyphTexts(const ScoreGlyph& g)
{
    switch (g.kind) {
    case ScoreGlyph::Kind::Dash: return {"-"};
    case ScoreGlyph::Kind::Rest: return {g.dotted ? "0·" : "0"};
    case ScoreGlyph::Kind::Note: break;
    }
    std::vector<std::string> texts;
    for (const int key : g.keys)
        texts.push_back(jianpuNote(key).digits);
    if (!texts.empty() && g.dotted)
        texts.front() += "·";
    return texts;
}

}  // namespace

std::string jianpuText(const JianpuScore& score, const std::vector<JianpuRow>& rows, std::string_view header)
{
    std::string out = std::string(header) + "\n\n";
    for (const JianpuRow& row : rows) {
        if (row.barCount == 0 || row.firstBar + row.barCount > score.bars.size())
            continue;
        const std::size_t first = score.bars[row.firstBar].first;
        const JianpuBar& lastBar = score.bars[row.firstBar + row.barCount - 1];
        const std::size_t end = lastBar.first + lastBar.count;
        std::size_t levels = 1;
        for (std::size_t g = first; g < end; ++g)
            levels = std::max(levels, score.glyphs[g].keys.size());

        TextRow text(levels);
        std::vector<std::size_t> columns(end - first, 0);
        std::vector<std::size_t> widths(end - first, 0);
        std::size_t column = 0;
        std::size_t lastDigit = 0;  // where the tie from the note before starts
        for (std::size_t b = row.firstBar; b < row.firstBar + row.barCount; ++b) {
            const JianpuBar& bar = score.bars[b];
            for (std::size_t g = bar.first; g < bar.first + bar.count; ++g) {
                const ScoreGlyph& glyph = score.glyphs[g];
                const std::vector<std::string> texts = glyphTexts(glyph);
                std::size_t width = 1;
                for (const std::string& t : texts)
                    width = std::max(width, columnsOf(t));
                columns[g - first] = column;
                widths[g - first] = width;
                for (std::size_t level = 0; level < texts.size(); ++level) {
                    text.put(text.digits(level), column, texts[level]);
                    if (glyph.kind != ScoreGlyph::Kind::Note)
                        continue;
                    const JianpuNote note = jianpuNote(glyph.keys[level]);
                    const std::size_t digit = column + columnsOf(note.digits) - 1;
                    text.put(text.above(level), digit, note.above);
                    text.put(text.below(level), digit, note.below);
                }
                // A tie runs from the note's digit before (the row's start
                // when that is on the row before) over this one.
                if (glyph.tied) {
                    const bool onRow = g != first && score.glyphs[g - 1].note == glyph.note;
                    for (std::size_t c = onRow ? lastDigit : 0; c < column + width; ++c)
                        text.put(text.ties(), c, "~");
                }
                if (glyph.kind == ScoreGlyph::Kind::Note)
                    lastDigit = column;
                column += width + 1;
            }
            for (std::size_t level = 0; level < levels; ++level)
                text.put(text.digits(level), column, "|");
            column += 2;
        }
        // Underlines join the glyphs of one beat within a bar.
        for (std::size_t g = first; g < end; ++g) {
            const ScoreGlyph& glyph = score.glyphs[g];
            for (int which = 1; which <= glyph.underlines; ++which) {
                std::size_t stop = columns[g - first] + widths[g - first];
                const bool joined = g + 1 < end && score.barOf(g + 1) == score.barOf(g) &&
                                    score.glyphs[g + 1].start / QuartersPerBeat == glyph.start / QuartersPerBeat &&
                                    score.glyphs[g + 1].underlines >= which;
                if (joined)
                    ++stop;
                for (std::size_t c = columns[g - first]; c < stop; ++c)
                    text.put(text.underline(which), c, "_");
            }
        }
        out += text.text() + "\n";
    }
    return out;
}

}  // namespace kelodi
