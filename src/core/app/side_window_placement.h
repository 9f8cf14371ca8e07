// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/app/pixel_rect.h"

namespace kelodi {

// Where a window that works beside the main window goes (the score window):
// wholly inside `screen` (the available area) and never over `mainFrame`,
// whose keys and buttons stay in sight, as close to the main window as the
// screen allows. Sizes are of the window's frame.
//
// Tried in order: below the main window, to its right, to its left, above it,
// each at the size `wanted`. Where none has room, the window takes the largest
// of these free bands that holds `readable` (the least size it reads well at),
// shrunk to the band; failing that, the largest that holds `least` (the least
// size it can be made): the player can make it larger where it does no harm.
// Only where the main window leaves no such band at all does the window go
// to the screen's bottom edge at its least size.
PixelRect placeSideWindow(const PixelRect& screen, const PixelRect& mainFrame, PixelSize wanted, PixelSize readable,
                          PixelSize least);

// Whether a window remembered at `frame` can come back there: wholly inside
// `screen` and not over `keys`.
bool canRestoreSideWindow(const PixelRect& screen, const PixelRect& keys, const PixelRect& frame);

}  // namespace kelodi
