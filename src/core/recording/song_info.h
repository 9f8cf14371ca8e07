// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/import/imported_song.h"

namespace kelodi {

// What a key-name score file may tell of its song beside the events, on its
// second line: "曲谱信息:拍号=3/4;每拍=0.500;原调=D". Written only when there
// is something to tell (an imported song); a recording made on the keys has
// none, and its file stays as it always was. An older reader skips the line
// as one malformed item.
struct SongInfo {
    std::optional<TimeSignature> time;  // 拍号: BEATS/UNIT
    double beatSeconds = 0;             // 每拍: seconds per beat of the time signature's unit; 0 = not told
    // 原调: the tonic before the melody was moved to C ("D", "#F", "Am"),
    // as keyName writes it; empty when the melody was not moved.
    std::string originalKey;

    bool empty() const { return !time && beatSeconds <= 0 && originalKey.empty(); }
    friend bool operator==(const SongInfo&, const SongInfo&) = default;
};

// The line's start, after which its keys follow.
inline constexpr std::string_view SongInfoPrefix = "曲谱信息:";

// The line without its line end: the prefix, then 拍号, 每拍 (three
// decimals) and 原调 as far as `info` has them, separated by ";". Empty for
// an empty `info`.
std::string songInfoLine(const SongInfo& info);

// Reads the text after the prefix. Keys may come in any order; an unknown key
// or a malformed value is left out and its "KEY=VALUE" text added to
// `ignored`.
SongInfo parseSongInfo(std::string_view text, std::vector<std::string>* ignored = nullptr);

}  // namespace kelodi
