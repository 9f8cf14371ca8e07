// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelodi {

// A rectangle on the screen in pixels; right() and bottom() are one past the
// last pixel.
struct ScreenRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    int right() const { return left + width; }
    int bottom() const { return top + height; }
    bool contains(const ScreenRect& other) const
    {
        return other.left >= left && other.top >= top && other.right() <= right() && other.bottom() <= bottom();
    }
    bool overlaps(const ScreenRect& other) const
    {
        return other.left < right() && left < other.right() && other.top < bottom() && top < other.bottom();
    }
    friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

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
ScreenRect placeSideWindow(const ScreenRect& screen, const ScreenRect& mainFrame, const ScreenRect& keys,
                           int wantedWidth, int wantedHeight, int minimumWidth, int minimumHeight);

// Whether a window remembered at `frame` can come back there: wholly inside
// `screen` and not over `keys`.
bool canRestoreSideWindow(const ScreenRect& screen, const ScreenRect& keys, const ScreenRect& frame);

}  // namespace kelodi
