// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

#include "core/keyboard/key_map.h"

namespace kelodi {

class KeyPath;
enum class ReleaseReport : std::uint8_t;

// Plays the key path from the computer keyboard: the 26 keys of the white-key
// table, and the same keys with Shift a semitone higher.
//
// Key codes are Windows virtual-key codes (0..300); shift is the modifier
// mask of the event (1 Shift, 2 Ctrl, 4 Alt) — on key-up, the state after the
// key went up. The Shift offset applies only when the mask is exactly Shift.
// A code outside 0..300 is ignored.
class ComputerKeyboard {
public:
    ComputerKeyboard(KeyPath& keys, const KeyMap& map);

    // Presses the code's key unless the code is already down, so the system's
    // repeats of a held key sound nothing.
    void keyDown(int keyCode, int shift);

    // Releases, with Shift held, every shifted code not yet released (in code
    // order) and the key's own code if it is down; otherwise the key's plain
    // and shifted codes. A code without a key is released as key 0. Only the
    // first release of one key-up is reported to the recorder. A released code
    // stops only the key it pressed itself: the sweeps also pass over codes
    // that were never pressed (Shift+E names R's key), and those must not cut
    // off a key that is still held.
    void keyUp(int keyCode, int shift);

    // The window lost the keyboard focus: the key-ups of the keys still held
    // will never come, so each held key is released now as its key-up would
    // (with the modifiers gone).
    void focusLost();

private:
    enum class KeyState : std::uint8_t { Untouched, Down, Up };

    // Releases code unless it is already up; returns whether it did.
    bool release(int code, ReleaseReport report);

    KeyPath& m_keys;
    const KeyMap& m_map;
    std::array<KeyState, KeyCodeCount> m_states{};
    // The key each code's press sounded, -1 for none (never pressed, released
    // since, or a code that plays nothing).
    std::array<std::int8_t, KeyCodeCount> m_pressedKeys;
};

}  // namespace kelodi
