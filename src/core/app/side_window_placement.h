// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/app/pixel_rect.h"

namespace kelodi {

// Where a window that works beside the main window goes (the score window):
// wholly inside `screen` (the available area), never over `keys` (the
// on-screen keys, inside `mainFrame`), as close to the main window as the
// screen allows.
//
// Tried in order: below the main window, to its right, to its left, above it,
// each at the size wanted. Where none has room, the window takes the largest of
// these free bands that holds `minimum`, shrunk to the band; failing that, the
// larger of the bands below and above the keys (over the main window's other
// controls). Only on a screen too small for any of this does it go to the
// screen's bottom edge at its minimum size.
PixelRect placeSideWindow(const PixelRect& screen, const PixelRect& mainFrame, const PixelRect& keys,
                           int wantedWidth, int wantedHeight, int minimumWidth, int minimumHeight);

// Whether a window remembered at `frame` can come back there: wholly inside
// `screen` and not over `keys`.
bool canRestoreSideWindow(const PixelRect& screen, const PixelRect& keys, const PixelRect& frame);

}  // namespace kelodi
