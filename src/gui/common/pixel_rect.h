// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>

#include "core/app/pixel_rect.h"
#include "core/keyboard/key_geometry.h"  // the keys' rectangles, what the main window converts

namespace kelodi {

constexpr QRect toQRect(const PixelRect& rect)
{
    return QRect(rect.left, rect.top, rect.width, rect.height);
}

constexpr PixelRect toPixelRect(const QRect& rect)
{
    return {rect.left(), rect.top(), rect.width(), rect.height()};
}

}  // namespace kelodi
