// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/import/imported_song.h"
#include "core/practice/score.h"
#include "core/recording/dzq_format.h"

namespace kelodi {

// A score written as jianpu: its notes in beats, bars and rows, as the score
// window draws it and `kelodi-dzq jianpu` prints it.
//
// Lengths are counted in quarter beats. A note of one beat is its digit, of a
// half beat the digit underlined once, of a quarter beat underlined twice; a
// note held over more beats is followed by a dash for each further beat
// ("5 - -"); three quarters of a beat, or a beat and a half starting on the
// beat, are dotted ("5·"). What is left over, and what runs on past a bar
// line, is written again as a digit tied to the one before. Silence is a rest
// ("0", one per beat, underlined like a note) only where it lasts half a beat
// or more beyond the note before; shorter silence belongs to that note.

// What a song says of its timing beyond its events.
struct ScoreTiming {
    // Seconds of one beat; 0 to find it from the onsets (findBeat). A jianpu
    // file's beat is its tempo factor in seconds (a length of 1).
    double beatSeconds = 0;
    // The share of its written length a note sounds (a jianpu file's
    // 音符比例); 0 to take the song's usual share (see layoutJianpu).
    double soundingRatio = 0;
};

// The timing a score file gives: a jianpu file's beat and sounding ratio;
// nothing for a file of key names (a recording).
ScoreTiming scoreTiming(const RecordingFileReport& report);

// The time signatures the score window offers; the first but one, 4/4, is
// the default.
inline constexpr std::array<TimeSignature, 4> OfferedTimeSignatures = {{{2, 4}, {3, 4}, {4, 4}, {6, 8}}};
inline constexpr TimeSignature DefaultTimeSignature{4, 4};
// The score window's choice of them.
inline constexpr std::string_view TimeSignatureCaption = "拍号";
inline constexpr std::string_view TimeSignatureToolTip = "曲谱按这个拍号分小节，每首曲子记住自己的选择";

// "3/4" for 3/4; parseTimeSignature reads it back (1..32 beats, a unit of 1,
// 2, 4, 8, 16 or 32), empty for anything else.
std::string timeSignatureText(TimeSignature time);
std::optional<TimeSignature> parseTimeSignature(std::string_view text);

// The beat of a recording found from its onsets: the most common spacing
// between the starts of successive notes (spacings within 12 % of each
// other count as one; of two as common, the longer), averaged over the
// spacings that count to it; then doubled while shorter than 0.3 s (faster
// than 200 beats a minute is no beat) and halved while longer than 1.2 s
// (slower than 50). 0 for a song of fewer than two notes.
double findBeat(const Score& score);

struct ScoreGlyph {
    enum class Kind : std::uint8_t { Note, Dash, Rest };
    static constexpr std::size_t NoNote = static_cast<std::size_t>(-1);

    Kind kind = Kind::Rest;
    std::size_t note = NoNote;  // the score note a Note or Dash writes
    std::vector<int> keys;      // a Note's keys, ascending (drawn highest on top)
    int start = 0;              // quarter beats after the first note
    int length = 0;             // quarter beats
    int underlines = 0;         // 0, 1 or 2
    bool dotted = false;        // "·" after the digit
    bool tied = false;          // a Note that holds on the note before it

    friend bool operator==(const ScoreGlyph&, const ScoreGlyph&) = default;
};

// Glyphs first..first+count-1 of a bar.
struct JianpuBar {
    std::size_t first = 0;
    std::size_t count = 0;
    friend bool operator==(const JianpuBar&, const JianpuBar&) = default;
};

// Bars firstBar..firstBar+barCount-1 of a row.
struct JianpuRow {
    std::size_t firstBar = 0;
    std::size_t barCount = 0;
    friend bool operator==(const JianpuRow&, const JianpuRow&) = default;
};

struct JianpuScore {
    TimeSignature time = DefaultTimeSignature;
    double beat = 0;  // seconds of one beat as written
    std::vector<ScoreGlyph> glyphs;
    std::vector<JianpuBar> bars;
    // The glyphs of each score note (its digits and dashes, which follow
    // one another): from noteFirst[note] to before noteEnd[note].
    std::vector<std::size_t> noteFirst;
    std::vector<std::size_t> noteEnd;

    // The glyphs [first, end) of score note `note` (its digits and dashes);
    // empty for a note that is not written.
    std::pair<std::size_t, std::size_t> noteGlyphs(std::size_t note) const;
    // The bar glyph `glyph` lies in.
    std::size_t barOf(std::size_t glyph) const;
};

// Writes `score` in `time` (4/4 for anything with no beats). The song's first
// note starts the first bar; the lead-in before it is not written.
//
// A note's written length is its sounding time divided by the sounding
// ratio, rounded to quarter beats, and never beyond the next note; where
// that leaves less than half a beat before the next note, the note is
// written up to it. A pause longer than MaxPauseBars is shortened by whole
// bars, so the bars after it stay as they were. Without a ratio of the file's own, the ratio is the
// song's usual one: the median share of the spacing to the next note that
// the notes sound, at most 1 and at least 0.25.
inline constexpr int MaxPauseBars = 8;
JianpuScore layoutJianpu(const Score& score, TimeSignature time, const ScoreTiming& timing = {});

// The cells a bar takes in a row: one per glyph and one for its bar line.
std::size_t barCells(const JianpuBar& bar);

// The bars in rows of at most `rowCells` cells (a bar wider than that has a
// row of its own); rows break only at bar lines.
std::vector<JianpuRow> breakRows(const JianpuScore& score, std::size_t rowCells);

// The row width of the score window as it opens and of the printed score.
inline constexpr std::size_t DefaultRowCells = 24;

// The header line: "1=C 4/4", then the song's name and "原调 1=D" when
// given, two spaces apart. `originalKey` is a key as a song's information
// line writes it ("D", "#F", "Am"); a minor key is written as its relative
// major, a sharp key other than #F with a flat ("#D" → "1=bE").
std::string jianpuHeader(TimeSignature time, std::string_view title, std::string_view originalKey = {});

// The key name `originalKey` is written as after "1=" ("D", "bE", "#F");
// empty for a name that is no key.
std::string originalKeyText(std::string_view originalKey);

// The score as plain text, rows as laid out, after `header` and an empty
// line; each row is followed by an empty line. See the kelodi-dzq man page
// for how a row is written.
std::string jianpuText(const JianpuScore& score, const std::vector<JianpuRow>& rows, std::string_view header);

}  // namespace kelodi
