// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <vector>

// KeyCount (44) comes from the key map, ReleaseMarker (9999, "release all
// keys", written "抬起" in files) from the key path that reports it.
#include "core/keyboard/key_map.h"
#include "core/keyboard/key_path.h"

namespace kelodi {

// True for a key index of the keyboard (0..43).
inline constexpr bool isKeyIndex(int value)
{
    return value >= 0 && value < KeyCount;
}

// A performance as timed key events, the tables EventDelays and EventKeys
// grown together. Event i (0-based here) fires EventDelays[i] seconds after
// the previous event fired, or after playback started for the first one, and
// presses key EventKeys[i] or, for ReleaseMarker, releases all keys.
//
// Both tables are single precision: that is what the files and the recorder
// have always stored, so a value read back compares equal to one recorded.
// Keys are kept as float for the same reason; the player rounds them.
struct RecordingEvents {
    std::vector<float> eventDelays;
    std::vector<float> eventKeys;

    std::size_t size() const { return eventKeys.size(); }
    bool empty() const { return eventKeys.empty(); }
    void clear()
    {
        eventDelays.clear();
        eventKeys.clear();
    }
    void append(float delay, float key)
    {
        eventDelays.push_back(delay);
        eventKeys.push_back(key);
    }
    // True when at least one event presses a key. A list of release events
    // alone plays nothing audible, so it does not count as something to play.
    bool hasKeyPress() const;

    friend bool operator==(const RecordingEvents&, const RecordingEvents&) = default;
};

}  // namespace kelodi
