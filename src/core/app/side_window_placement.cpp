// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/app/side_window_placement.h"

#include <algorithm>
#include <array>

namespace kelodi {

namespace {

// Room between the main window and the one placed beside it.
constexpr int Gap = 8;

// The band of `screen` on one side of `edge`, `Gap` away from it.
enum class Side { Below, Right, Left, Above };

PixelRect band(const PixelRect& screen, const PixelRect& edge, Side side)
{
    PixelRect area = screen;
    switch (side) {
    case Side::Below: area.top = edge.bottom() + Gap; area.height = screen.bottom() - area.top; break;
    case Side::Above: area.height = edge.top - Gap - screen.top; break;
    case Side::Right: area.left = edge.right() + Gap; area.width = screen.right() - area.left; break;
    case Side::Left: area.width = edge.left - Gap - screen.left; break;
    }
    area.width = std::max(area.width, 0);
    area.height = std::max(area.height, 0);
    return area;
}

// A window of the given size in `area`, lined up with `frame` as far as the
// area lets it: its left edge under the frame's left edge, or its top beside
// the frame's top.
PixelRect fitInto(const PixelRect& area, const PixelRect& frame, int width, int height)
{
    width = std::min(width, area.width);
    height = std::min(height, area.height);
    const int left = std::clamp(frame.left, area.left, area.right() - width);
    const int top = std::clamp(frame.top, area.top, area.bottom() - height);
    return {left, top, width, height};
}

bool holds(const PixelRect& area, int width, int height) { return area.width >= width && area.height >= height; }

long long areaOf(const PixelRect& r) { return static_cast<long long>(r.width) * r.height; }

}  // namespace

PixelRect placeSideWindow(const PixelRect& screen, const PixelRect& mainFrame, int wantedWidth, int wantedHeight,
                          int minimumWidth, int minimumHeight)
{
    minimumWidth = std::min(minimumWidth, wantedWidth);
    minimumHeight = std::min(minimumHeight, wantedHeight);
    constexpr std::array Sides{Side::Below, Side::Right, Side::Left, Side::Above};
    std::array<PixelRect, Sides.size()> bands{};
    for (std::size_t i = 0; i < Sides.size(); ++i) {
        bands[i] = band(screen, mainFrame, Sides[i]);
        if (holds(bands[i], wantedWidth, wantedHeight))
            return fitInto(bands[i], mainFrame, wantedWidth, wantedHeight);
    }
    // The largest band that holds `width` x `height`; the first of equals.
    const auto largest = [&](int width, int height) -> const PixelRect* {
        const PixelRect* best = nullptr;
        for (const PixelRect& area : bands)
            if (holds(area, width, height) && (!best || areaOf(area) > areaOf(*best)))
                best = &area;
        return best;
    };
    const PixelRect* room = largest(minimumWidth, minimumHeight);
    if (!room)
        room = largest(1, 1);
    if (room)
        return fitInto(*room, mainFrame, wantedWidth, wantedHeight);
    const int width = std::min(minimumWidth, screen.width);
    const int height = std::min(minimumHeight, screen.height);
    return {std::clamp(mainFrame.left, screen.left, screen.right() - width), screen.bottom() - height, width, height};
}

bool canRestoreSideWindow(const PixelRect& screen, const PixelRect& keys, const PixelRect& frame)
{
    return frame.width > 0 && frame.height > 0 && screen.contains(frame) && !frame.overlaps(keys);
}

}  // namespace kelodi
