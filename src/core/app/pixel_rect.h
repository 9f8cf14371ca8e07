// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelodi {

// A rectangle in pixels: its left and top edge, its width and height. right()
// and bottom() are one past the last column and row inside.
struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    int right() const { return left + width; }
    int bottom() const { return top + height; }
    bool contains(const PixelRect& other) const
    {
        return other.left >= left && other.top >= top && other.right() <= right() && other.bottom() <= bottom();
    }
    bool overlaps(const PixelRect& other) const
    {
        return other.left < right() && left < other.right() && other.top < bottom() && top < other.bottom();
    }
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// A size in pixels.
struct PixelSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

}  // namespace kelodi
