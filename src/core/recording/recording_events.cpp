// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/recording/recording_events.h"

#include <algorithm>

namespace kelodi {

bool RecordingEvents::hasKeyPress() const
{
    return std::any_of(m_events.begin(), m_events.end(), [](const KeyEvent& e) { return e.pressedKey() >= 0; });
}

}  // namespace kelodi
