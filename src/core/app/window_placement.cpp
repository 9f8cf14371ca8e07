// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/app/window_placement.h"

#include <cmath>

namespace kelodi {

TwipPoint centreForm(double screenWidth, double screenHeight, double formWidth, double formHeight)
{
    // std::nearbyint rounds half to even in the default rounding mode.
    const long freeWidth = static_cast<long>(std::nearbyint(screenWidth - formWidth));
    const long freeHeight = static_cast<long>(std::nearbyint(screenHeight - formHeight));
    return {freeWidth / 2, freeHeight / 3};
}

}  // namespace kelodi
