// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/keyboard/computer_keyboard.h"

#include <cmath>

#include "core/keyboard/key_path.h"

namespace kelodi {

namespace {

constexpr int ShiftOnly = 1;

bool isPlainCode(int keyCode) { return keyCode >= 0 && keyCode <= HighestPlainCode; }

}  // namespace

ComputerKeyboard::ComputerKeyboard(KeyPath& keys, const KeyMap& map) : m_keys(keys), m_map(map)
{
    m_pressedKeys.fill(-1);
}

void ComputerKeyboard::keyDown(int keyCode, int shift)
{
    if (!isPlainCode(keyCode))
        return;
    const int code = shift == ShiftOnly ? keyCode + ShiftCodeOffset : keyCode;
    KeyState& state = m_states[static_cast<std::size_t>(code)];
    if (state == KeyState::Down)
        return;
    // Also codes that play nothing are marked down: their key-up then
    // releases them like any other.
    state = KeyState::Down;
    const int key = m_map.keyForCode(code);
    m_pressedKeys[static_cast<std::size_t>(code)] = static_cast<std::int8_t>(key);
    if (key >= 0)
        m_keys.press(key, LeftButton);
}

bool ComputerKeyboard::release(int code, ReleaseReport report)
{
    KeyState& state = m_states[static_cast<std::size_t>(code)];
    if (state == KeyState::Up)
        return false;
    state = KeyState::Up;
    const int key = static_cast<int>(std::lround(m_map.keyCodeMapEntry(code)));
    std::int8_t& pressed = m_pressedKeys[static_cast<std::size_t>(code)];
    if (pressed >= 0 && pressed == key)
        m_keys.release(key, LeftButton, report);
    else
        m_keys.reportRelease(key, report);
    pressed = -1;
    return true;
}

void ComputerKeyboard::keyUp(int keyCode, int shift)
{
    if (!isPlainCode(keyCode))
        return;
    // Each release after the first one of a key-up is unreported, so the
    // recorder sees one release per key-up.
    ReleaseReport report = ReleaseReport::Reported;
    const auto sweep = [&](int code) {
        if (release(code, report))
            report = ReleaseReport::Unreported;
    };
    if (shift == ShiftOnly) {
        // The key that went up cannot be told apart from the other shifted
        // keys, so all of them go.
        for (int code = ShiftCodeOffset; code < KeyCodeCount; ++code)
            sweep(code);
        // A key pressed before Shift went down sits under its plain code;
        // without this it would sound on, and its next press would be taken
        // for a repeat.
        if (m_states[static_cast<std::size_t>(keyCode)] == KeyState::Down)
            sweep(keyCode);
    } else {
        // Also the shifted code, in case Shift was let go before the key.
        sweep(keyCode);
        sweep(keyCode + ShiftCodeOffset);
    }
}

void ComputerKeyboard::focusLost()
{
    for (int code = 0; code < KeyCodeCount; ++code) {
        if (m_states[static_cast<std::size_t>(code)] == KeyState::Down)
            keyUp(code % ShiftCodeOffset, 0);
    }
}

}  // namespace kelodi
