// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>

namespace kelodi {

// Layouts are designed in twips; at 96 dots per inch 15 twips make a pixel.
constexpr int twips(int value)
{
    return value >= 0 ? (value * 2 + 15) / 30 : -((-value * 2 + 15) / 30);
}

constexpr QRect twipRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

}  // namespace kelodi
