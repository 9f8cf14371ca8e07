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
PixelRect fitInto(const PixelRect& area, const PixelRect& frame, PixelSize size)
{
    const int width = std::min(size.width, area.width);
    const int height = std::min(size.height, area.height);
    const int left = std::clamp(frame.left, area.left, area.right() - width);
    const int top = std::clamp(frame.top, area.top, area.bottom() - height);
    return {left, top, width, height};
}

bool holds(const PixelRect& area, PixelSize size) { return area.width >= size.width && area.height >= size.height; }

long long areaOf(const PixelRect& r) { return static_cast<long long>(r.width) * r.height; }

}  // namespace

PixelRect placeSideWindow(const PixelRect& screen, const PixelRect& mainFrame, PixelSize wanted, PixelSize readable,
                          PixelSize least)
{
    readable = {std::min(readable.width, wanted.width), std::min(readable.height, wanted.height)};
    least = {std::clamp(least.width, 1, readable.width), std::clamp(least.height, 1, readable.height)};
    constexpr std::array Sides{Side::Below, Side::Right, Side::Left, Side::Above};
    std::array<PixelRect, Sides.size()> bands{};
    for (std::size_t i = 0; i < Sides.size(); ++i) {
        bands[i] = band(screen, mainFrame, Sides[i]);
        if (holds(bands[i], wanted))
            return fitInto(bands[i], mainFrame, wanted);
    }
    // The largest band that holds `size`; the first of equals.
    const auto largest = [&](PixelSize size) -> const PixelRect* {
        const PixelRect* best = nullptr;
        for (const PixelRect& area : bands)
            if (holds(area, size) && (!best || areaOf(area) > areaOf(*best)))
                best = &area;
        return best;
    };
    const PixelRect* room = largest(readable);
    if (!room)
        room = largest(least);
    if (room)
        return fitInto(*room, mainFrame, wanted);
    const int width = std::min(least.width, screen.width);
    const int height = std::min(least.height, screen.height);
    return {std::clamp(mainFrame.left, screen.left, screen.right() - width), screen.bottom() - height, width, height};
}

bool canRestoreSideWindow(const PixelRect& screen, const PixelRect& keys, const PixelRect& frame)
{
    return frame.width > 0 && frame.height > 0 && screen.contains(frame) && !frame.overlaps(keys);
}

}  // namespace kelodi
