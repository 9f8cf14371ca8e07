// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

// KeyCount (44) comes from the key map.
#include "core/keyboard/key_map.h"

namespace kelodi {

// True for a key index of the keyboard (0..43).
inline constexpr bool isKeyIndex(int value)
{
    return value >= 0 && value < KeyCount;
}

// How the score tool's event listing writes a release of every key, beside
// the key indices 0..43 of presses.
inline constexpr int ReleaseMarker = 9999;

// One timed event of a performance: `delay` seconds after the previous event
// fired (after the replay started, for the first one), either a key is
// pressed, as if by the left mouse button, or every key is released. There
// is no release of one key: a file has no way to write one.
//
// The delay is single precision, as the files and the recorder give it, so
// that a delay read back from a file compares equal to the one recorded.
struct KeyEvent {
    enum class Action : std::uint8_t { Press, ReleaseAll };

    float delay = 0;
    Action action = Action::ReleaseAll;
    // The key a press presses; -1 for a release, and for a press of a value
    // that is no key, which fires without a sound. Nothing Kelodi reads or
    // records makes such a press, but a list built by hand may hold one.
    std::int16_t key = -1;

    static constexpr KeyEvent press(float delay, int key)
    {
        return {delay, Action::Press, static_cast<std::int16_t>(isKeyIndex(key) ? key : -1)};
    }
    static constexpr KeyEvent releaseAll(float delay) { return {delay, Action::ReleaseAll, -1}; }

    bool isPress() const { return action == Action::Press; }
    bool isReleaseAll() const { return action == Action::ReleaseAll; }
    // The key 0..43 the event presses, -1 for none.
    int pressedKey() const { return isPress() ? key : -1; }

    friend bool operator==(const KeyEvent&, const KeyEvent&) = default;
};

// A performance in memory: its key events in the order they fire.
class RecordingEvents {
public:
    RecordingEvents() = default;
    RecordingEvents(std::initializer_list<KeyEvent> events) : m_events(events) {}

    std::size_t size() const { return m_events.size(); }
    bool empty() const { return m_events.empty(); }
    const KeyEvent& operator[](std::size_t index) const { return m_events[index]; }
    std::vector<KeyEvent>::const_iterator begin() const { return m_events.begin(); }
    std::vector<KeyEvent>::const_iterator end() const { return m_events.end(); }

    void append(const KeyEvent& event) { m_events.push_back(event); }
    void clear() { m_events.clear(); }
    // Room for `count` events, so that a large score is filled without
    // copying it again as it grows; and giving back what was not used.
    void reserve(std::size_t count) { m_events.reserve(count); }
    std::size_t capacity() const { return m_events.capacity(); }
    void shrinkToFit() { m_events.shrink_to_fit(); }

    // True when at least one event presses a key. A list of release events
    // alone plays nothing audible, so it does not count as something to play.
    bool hasKeyPress() const;

    friend bool operator==(const RecordingEvents&, const RecordingEvents&) = default;

private:
    std::vector<KeyEvent> m_events;
};

}  // namespace kelodi
