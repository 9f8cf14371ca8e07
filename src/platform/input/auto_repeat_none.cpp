// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/input/auto_repeat.h"

namespace kelodi {

// Without X11 the window system reports held keys on its own terms; Qt marks
// its repeats and the keyboard ignores them.
bool enableDetectableAutoRepeat(void*)
{
    return false;
}

}  // namespace kelodi
