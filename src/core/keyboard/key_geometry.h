// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/app/pixel_rect.h"

namespace kelodi {

// Where the 44 keys lie in the main window's client area, in pixels; every
// view of the keys (the window, a mark on a key) takes its figures from here.
//
// White keys are 37 x 194, the first at left 4 and each next one 28 further
// right, so neighbours overlap. A black key is 30 x 118 and stands 12 pixels
// left of the next white key, above the white keys it overlaps. All keys have
// top 92. A key shows only the part 5 pixels inside its rectangle on every
// side, which leaves a one-pixel gap between neighbouring white keys; the
// black frame under the keys runs one pixel outside their visible part and
// shows through the gaps.
namespace KeyGeometry {
inline constexpr int Top = 92;
inline constexpr int WhiteWidth = 37;
inline constexpr int WhiteHeight = 194;
inline constexpr int BlackWidth = 30;
inline constexpr int BlackHeight = 118;
inline constexpr int FirstWhiteLeft = 4;
inline constexpr int WhitePitch = 28;  // from one white key's left to the next one's
inline constexpr int BlackShift = 12;  // a black key's left: the next white key's left minus this
inline constexpr int Inset = 5;        // the hidden border of every key, on each side
}  // namespace KeyGeometry

// The rectangle of key 0..43; all zero for any other index.
PixelRect keyRect(int key);

// The part of key 0..43 that shows, in the same coordinates; all zero for any
// other index.
PixelRect visibleKeyRect(int key);

// The black frame under the keys: from (8, 96) to (736, 281), both corners
// inside.
PixelRect keyFrameRect();

}  // namespace kelodi
