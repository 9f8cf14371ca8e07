// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kelodi {

// Strict UTF-8 check: no overlong forms, no surrogates, nothing above
// U+10FFFF, no truncated sequence at the end.
bool isValidUtf8(std::string_view text);

// UTF-16 code units of UTF-8 text; each invalid byte becomes U+FFFD. Used
// where the program compares text unit by unit (the order of the recordings
// list).
std::u16string utf8ToUtf16(std::string_view text);

// Byte offset just after the first `units` UTF-16 code units of UTF-8 text
// (its size when the text is shorter). Counts of characters in the file format
// are counts of UTF-16 code units, so a character outside the BMP counts twice.
// An invalid byte counts as one unit.
std::size_t byteOffsetAfterUtf16Units(std::string_view text, std::size_t units);

// Paths hold UTF-8 text in the program. std::filesystem::path(std::string)
// would take the system's narrow code page on Windows, so conversions go
// through char8_t explicitly.
std::filesystem::path pathFromUtf8(std::string_view text);
std::string pathToUtf8(const std::filesystem::path& path);

}  // namespace kelodi
