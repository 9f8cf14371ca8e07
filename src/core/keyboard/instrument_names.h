// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace kelodi {

inline constexpr int InstrumentCount = 128;

// The Chinese name of General MIDI program 0..127, as the instrument chooser
// lists them; empty for a number outside that range.
std::string_view instrumentName(int program);

// The chooser's preselection for the instrument label's text: the program
// of the first name that equals it exactly (case and blanks count), or -1
// when no name does, as for "打击" or "电贝司".
int instrumentPreselection(const std::string& selectedInstrumentName);

}  // namespace kelodi
