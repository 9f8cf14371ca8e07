// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/app/pixel_rect.h"

namespace kelodi {

// Where a window that works beside the main window goes (the score window):
// wholly inside `screen` (the available area) and never over `mainFrame`,
// whose keys and buttons stay in sight, as close to the main window as the
// screen allows.
//
// Tried in order: below the main window, to its right, to its left, above it,
// each at the size wanted. Where none has room, the window takes the largest of
// these free bands that holds `minimum` (the least size it reads well at),
// shrunk to the band; failing that, the largest free band there is, however
// small: the player can make it larger where it does no harm. Only where the
// main window leaves no free band at all does the window go to the screen's
// bottom edge at its minimum size.
PixelRect placeSideWindow(const PixelRect& screen, const PixelRect& mainFrame, int wantedWidth, int wantedHeight,
                          int minimumWidth, int minimumHeight);

// Whether a window remembered at `frame` can come back there: wholly inside
// `screen` and not over `keys`.
bool canRestoreSideWindow(const PixelRect& screen, const PixelRect& keys, const PixelRect& frame);

}  // namespace kelodi
