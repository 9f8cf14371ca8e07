// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/recording/file_io.h"
#include "core/recording/recording_events.h"
#include "core/recording/song_info.h"

namespace kelodi {

class TextCodec;

// The .dzq score files. Two dialects, told apart by the first line:
//
// - key names ("琴键倍数:F" header, optional): items "DELAY,NAME" separated by
//   "|", DELAY in seconds (times F), NAME a key name such as "C", "#c1", "g2"
//   or anything containing "抬起" (release all keys). This is what is written.
// - jianpu ("简谱倍数:F", then "音符比例:R", then one more header line): items
//   "NOTE,LENGTH", NOTE a scale degree 1..7 with "#", "+", "++", "-", "--"
//   marks or "0" for a rest. Each note is held for LENGTH x R and followed by
//   the rest of its length in silence; the first note comes 1 s (times F)
//   after the start and a final release ends the piece.
//
// Spaces are ignored anywhere, full-width "：", "，", "｜" count as ASCII, and
// lines end at CR LF, CR or LF. Files are GBK; the reader also takes UTF-8
// (with or without a byte-order mark): text that is valid UTF-8 is read as
// UTF-8, anything else as GBK.

inline constexpr int MaxRecordingLines = 99'999;
// Files above this size are refused unread; a score is a few kilobytes and
// even the line limit with long lines stays far below it.
inline constexpr std::uintmax_t MaxRecordingFileBytes = 64u * 1024u * 1024u;
inline constexpr double DefaultSoundingRatio = 0.7;
// The longest delay a file can ask for; a longer one (or a negative one) is
// read as 0.
inline constexpr double MaxEventDelaySeconds = 86400.0;
// The most events a written file holds: four to a line, on the lines after
// the header that the reader reads.
inline constexpr std::size_t MaxRecordingEvents = (MaxRecordingLines - 1) * std::size_t{4};

enum class RecordingDialect { KeyNames, Jianpu };
enum class TextEncoding { Utf8, Utf8WithBom, Gbk };

enum class SkipReason {
    MalformedItem,  // not the two fields an item needs
    UnknownKey,     // the name (or jianpu note) is no key of the keyboard
    BadLength,      // jianpu length missing, zero or negative
};

struct SkippedItem {
    int line = 0;      // 1-based line of the file
    std::string text;  // the item as read (spaces removed), UTF-8
    SkipReason reason = SkipReason::MalformedItem;
};

// An item whose delay was read as 0 although the file gave another one:
// negative, or (after the tempo factor) longer than MaxEventDelaySeconds.
// Its event is kept.
struct ZeroedDelay {
    int line = 0;      // 1-based line of the file
    std::string text;  // the item as read (spaces removed), UTF-8
};

// What the reader found besides the events. Core reports; the caller decides
// what to show.
struct RecordingFileReport {
    RecordingDialect dialect = RecordingDialect::KeyNames;
    bool hasHeader = false;
    TextEncoding encoding = TextEncoding::Utf8;
    double tempoFactor = 1.0;
    double soundingRatio = DefaultSoundingRatio;  // jianpu only
    int linesRead = 0;
    bool linesIgnored = false;  // lines beyond MaxRecordingLines were not read
    std::size_t skippedCount = 0;
    std::vector<SkippedItem> skipped;  // the first MaxReportedSkips of them
    std::size_t zeroedDelayCount = 0;
    std::vector<ZeroedDelay> zeroedDelays;  // the first MaxReportedSkips of them

    static constexpr std::size_t MaxReportedSkips = 100;
};

struct RecordingFile {
    RecordingEvents events;
    RecordingFileReport report;
    // The line "曲谱信息:..." of a key-name file (see SongInfo); its unknown
    // keys and malformed values are reported as skipped items.
    SongInfo info;
};

// Reads score bytes in either encoding. Never fails: whatever cannot be used
// is skipped and reported, and the rest is read.
RecordingFile parseRecording(std::string_view bytes, const TextCodec& codec);

// The same on text already in UTF-8 (the encoding in the report is Utf8).
RecordingFile parseRecordingText(std::string_view utf8);

// Reads a score file. Empty, with a reason in `error` and its kind in
// `failure`, when the file cannot be opened or read or is larger than
// MaxRecordingFileBytes; the caller's events are never touched here.
std::optional<RecordingFile> readRecordingFile(const std::filesystem::path& path, const TextCodec& codec,
                                               std::string* error = nullptr, FileReadFailure* failure = nullptr);

// The key-name text of `events` (UTF-8, CR LF line ends): the header
// "琴键倍数:1", the line of `info` when it has something to tell, four
// events per line as "0.100 , C    | ", and a final CR LF.
std::string formatRecordingText(const RecordingEvents& events, const SongInfo& info = {});

// formatRecordingText encoded as GBK. Empty, with the reason in `error`, when
// the reader would not read back what it would write: more than
// MaxRecordingEvents events, a delay that is negative or longer than
// MaxEventDelaySeconds, a text the codec cannot encode.
std::optional<std::string> encodeRecording(const RecordingEvents& events, const TextCodec& codec,
                                           std::string* error = nullptr);
std::optional<std::string> encodeRecording(const RecordingEvents& events, const SongInfo& info,
                                           const TextCodec& codec, std::string* error = nullptr);

// Writes `events` as a GBK key-name file through `saver`, which replaces
// `path` in one step, so a failed save leaves an existing file as it was.
// False, with a reason in `error` and its kind in `failure`, on failure.
bool writeRecordingFile(const std::filesystem::path& path, const RecordingEvents& events, const TextCodec& codec,
                        const FileSaver& saver, std::string* error = nullptr,
                        FileWriteFailure* failure = nullptr);
// The same with the song's information (an imported song).
bool writeRecordingFile(const std::filesystem::path& path, const RecordingEvents& events, const SongInfo& info,
                        const TextCodec& codec, const FileSaver& saver, std::string* error = nullptr,
                        FileWriteFailure* failure = nullptr);

// Building blocks, public for the score tool and the tests.

// Key name of key 0..43: "C".."g2", "#C".."#f2" for black keys; empty for
// anything else.
std::string keyName(int key);

// Key of a name as read: a white name, or "#" and a white name below "g2"
// (one semitone up, so "#E" is 5). Empty for anything else.
std::optional<int> keyFromName(std::string_view name);

// The event a name stands for (its delay 0): the release of every key for a
// name containing "抬起", else the press of keyFromName's key. Empty for
// anything else.
std::optional<KeyEvent> eventFromName(std::string_view name);

// Key name of a jianpu note ("#4+" gives "#f1"); unknown notes come back in a
// form keyFromName rejects.
std::string jianpuToKeyName(std::string_view note);

// The leading decimal number of `text` (sign, digits, decimal point,
// exponent); 0 when the text does not start with a number or the number is
// not finite.
double leadingNumber(std::string_view text);

// Seconds with exactly three decimals, "." as the decimal mark, whatever the
// locale ("0.100", "12.346").
std::string formatDelay(float seconds);

}  // namespace kelodi
