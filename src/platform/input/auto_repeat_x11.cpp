// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/input/auto_repeat.h"

#include <X11/XKBlib.h>

namespace kelodi {

bool enableDetectableAutoRepeat(void* display)
{
    if (!display)
        return false;
    Bool supported = False;
    const Bool on = XkbSetDetectableAutoRepeat(static_cast<Display*>(display), True, &supported);
    return supported && on;
}

}  // namespace kelodi
