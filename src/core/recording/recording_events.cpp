// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/recording/recording_events.h"

#include <cmath>

namespace kelodi {

bool RecordingEvents::hasKeyPress() const
{
    for (const float key : eventKeys) {
        if (key > -1.0f && key < static_cast<float>(KeyCount) && isKeyIndex(static_cast<int>(std::lround(key))))
            return true;
    }
    return false;
}

}  // namespace kelodi
