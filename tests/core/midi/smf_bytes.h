// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

// Standard MIDI Files written byte by byte, for the tests of the reader.
namespace kelodi::test {

inline std::string bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out.push_back(static_cast<char>(v));
    return out;
}

// A chunk: its four-letter type, its length and `body`.
inline std::string chunk(const std::string& type, const std::string& body)
{
    const auto n = static_cast<std::uint32_t>(body.size());
    return type + bytes({int(n >> 24), int((n >> 16) & 0xFF), int((n >> 8) & 0xFF), int(n & 0xFF)}) + body;
}

// A file of the given tracks (each chunk's body), with a header of `format`,
// the track count (or `declared`) and `division`.
inline std::string smf(int format, int division, std::initializer_list<std::string> tracks, int declared = -1)
{
    const int count = declared >= 0 ? declared : static_cast<int>(tracks.size());
    std::string out = "MThd" + bytes({0, 0, 0, 6, 0, format, count >> 8, count & 0xFF, (division >> 8) & 0xFF,
                                      division & 0xFF});
    for (const std::string& body : tracks)
        out += chunk("MTrk", body);
    return out;
}

}  // namespace kelodi::test
