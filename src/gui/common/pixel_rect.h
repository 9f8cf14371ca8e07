// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>

#include "core/keyboard/key_geometry.h"

namespace kelodi {

constexpr QRect toQRect(const PixelRect& rect)
{
    return QRect(rect.left, rect.top, rect.width, rect.height);
}

}  // namespace kelodi
