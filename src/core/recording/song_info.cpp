// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/recording/song_info.h"

#include <array>
#include <charconv>
#include <cstdio>

namespace kelodi {

namespace {

constexpr std::string_view TimeKey = "拍号";
constexpr std::string_view BeatKey = "每拍";
constexpr std::string_view KeyKey = "原调";
// A beat longer than this is no tempo a song is played at.
constexpr double MaxBeatSeconds = 60;

std::optional<int> wholeNumber(std::string_view text, int lowest, int highest)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

std::optional<TimeSignature> timeOf(std::string_view text)
{
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    const std::optional<int> beats = wholeNumber(text.substr(0, slash), 1, 64);
    const std::optional<int> unit = wholeNumber(text.substr(slash + 1), 1, 64);
    // The unit is a note value: a power of two.
    if (!beats || !unit || (*unit & (*unit - 1)) != 0)
        return std::nullopt;
    return TimeSignature{*beats, *unit};
}

std::optional<double> beatOf(std::string_view text)
{
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !(value > 0) || value > MaxBeatSeconds)
        return std::nullopt;
    return value;
}

bool isKeyName(std::string_view text)
{
    static constexpr std::array<std::string_view, 12> Tonics = {"C",  "#C", "D",  "#D", "E",  "F",
                                                                 "#F", "G",  "#G", "A",  "#A", "B"};
    if (!text.empty() && text.back() == 'm')
        text.remove_suffix(1);
    for (std::string_view tonic : Tonics)
        if (text == tonic)
            return true;
    return false;
}

}  // namespace

std::string songInfoLine(const SongInfo& info)
{
    if (info.empty())
        return {};
    std::string line(SongInfoPrefix);
    std::string separator;
    if (info.time) {
        line += std::string(TimeKey) + "=" + std::to_string(info.time->beats) + "/" + std::to_string(info.time->unit);
        separator = ";";
    }
    if (info.beatSeconds > 0) {
        char beat[32];
        std::snprintf(beat, sizeof beat, "%.3f", info.beatSeconds);
        line += separator + std::string(BeatKey) + "=" + beat;
        separator = ";";
    }
    if (!info.originalKey.empty())
        line += separator + std::string(KeyKey) + "=" + info.originalKey;
    return line;
}

SongInfo parseSongInfo(std::string_view text, std::vector<std::string>* ignored)
{
    SongInfo info;
    while (!text.empty()) {
        const std::size_t end = text.find(';');
        const std::string_view entry = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (entry.empty())
            continue;
        const std::size_t equals = entry.find('=');
        const std::string_view key = entry.substr(0, equals);
        const std::string_view value = equals == std::string_view::npos ? std::string_view() : entry.substr(equals + 1);
        bool read = false;
        if (key == TimeKey) {
            const std::optional<TimeSignature> time = timeOf(value);
            if ((read = time.has_value()))
                info.time = time;
        } else if (key == BeatKey) {
            const std::optional<double> beat = beatOf(value);
            if ((read = beat.has_value()))
                info.beatSeconds = *beat;
        } else if (key == KeyKey) {
            if ((read = isKeyName(value)))
                info.originalKey = std::string(value);
        }
        if (!read && ignored)
            ignored->emplace_back(entry);
    }
    return info;
}

}  // namespace kelodi
