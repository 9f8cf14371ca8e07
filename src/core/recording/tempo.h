// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>

namespace kelodi {

// The tempo of an ordinary replay, in percent of the recorded one.
inline constexpr int SlowestTempoPercent = 25;
inline constexpr int FastestTempoPercent = 200;
inline constexpr int NormalTempoPercent = 100;

// The factor a replay's delays are multiplied by at `percent` (clamped to
// 25..200): 200 % halves every delay, 25 % makes it four times as long, 100 %
// leaves it exact.
inline double tempoDelayScale(int percent)
{
    return static_cast<double>(NormalTempoPercent) / std::clamp(percent, SlowestTempoPercent, FastestTempoPercent);
}

}  // namespace kelodi
