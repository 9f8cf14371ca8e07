// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The words and rules the .dzq reader and writer share; not for other users.

#include <string_view>

#include "core/recording/dzq_format.h"

namespace kelodi::dzq {

inline constexpr std::string_view ReleaseWord = "抬起";
inline constexpr std::string_view KeyNameHeader = "琴键倍数:";

inline bool contains(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

// Whether a delay can be stored as it is: a longer one (up to infinity) is as
// much a mistake as an infinite one, and neither may make the player wait
// backwards or forever.
inline bool isStorableDelay(double seconds)
{
    return seconds >= 0 && seconds <= MaxEventDelaySeconds;
}

}  // namespace kelodi::dzq
