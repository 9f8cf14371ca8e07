// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace kelodi {

// The user's choice not to have the news window pop up by itself is the only
// setting kept between runs, in a one-line file beside the program.
inline constexpr std::string_view NoNewsPopupFileName = "v.sz";

// Reads the file's text. Only the first line that holds more than blanks
// counts: it opts out when it is exactly "True" as read (so "  True" and
// "true" do not), or when the number at its start equals 1 ("1", "1.0",
// " 1abc"). Leading blanks are skipped and the number ends at the first
// character that cannot continue a decimal number. Anything else, and an
// empty text, leaves the choice clear.
bool readNoNewsPopup(std::string_view fileText);

// The whole file for a choice: "True" or "False", then CR LF.
std::string noNewsPopupFileText(bool noNewsPopup);

}  // namespace kelodi
