// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <initializer_list>
#include <utility>
#include <vector>

#include "core/recording/recording_events.h"

namespace kelodi::test {

// Key events written as {delay, key} rows, R standing for the release of
// every key: {{0.1f, 12}, {0.5f, R}} presses key 12 and releases it.
inline constexpr int R = ReleaseMarker;

inline KeyEvent eventOf(float delay, int key)
{
    return key == R ? KeyEvent::releaseAll(delay) : KeyEvent::press(delay, key);
}

inline RecordingEvents eventsOf(std::initializer_list<std::pair<float, int>> rows)
{
    RecordingEvents events;
    for (const auto& [delay, key] : rows)
        events.append(eventOf(delay, key));
    return events;
}

// An event's key in the same notation: the key a press presses (-1 for a
// press of no key), R for a release.
inline int keyOf(const KeyEvent& event)
{
    return event.isReleaseAll() ? R : event.pressedKey();
}

inline std::vector<int> keysOf(const RecordingEvents& events)
{
    std::vector<int> keys;
    for (const KeyEvent& event : events)
        keys.push_back(keyOf(event));
    return keys;
}

inline std::vector<float> delaysOf(const RecordingEvents& events)
{
    std::vector<float> delays;
    for (const KeyEvent& event : events)
        delays.push_back(event.delay);
    return delays;
}

}  // namespace kelodi::test
