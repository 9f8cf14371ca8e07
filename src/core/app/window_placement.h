// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelodi {

struct TwipPoint {
    long left = 0;
    long top = 0;
};

// Where a dialog goes: centred across the screen, one third of the free height
// from the top. All values in twips. The free sizes are rounded to the nearest
// integer (ties to even), then halved and thirded with truncating division, so a
// 6720 x 4230 dialog on a 12000 x 9000 screen stands at (2640, 1590).
TwipPoint centreForm(double screenWidth, double screenHeight, double formWidth, double formHeight);

inline constexpr int TwipsPerPixel = 15;

}  // namespace kelodi
