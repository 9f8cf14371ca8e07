// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/keyboard/key_path.h"
#include "core/recording/key_presser.h"

namespace kelodi {

// The player's presses and releases go through the one key path, as a
// left-button press and release on the key (button 1), so replayed keys
// colour, sound and show their text exactly as when played by hand.
class KeyPathPresser final : public KeyPresser {
public:
    explicit KeyPathPresser(KeyPath& keyPath) : m_keyPath(keyPath) {}

    void pressKey(int key) override { m_keyPath.press(key, LeftButton); }
    void releaseKey(int key, ReleaseReport report) override { m_keyPath.release(key, LeftButton, report); }
    void setReleasesRecorded(bool recorded) override { m_keyPath.setReleasesRecorded(recorded); }
    bool releasesRecorded() const override { return m_keyPath.releasesRecorded(); }

private:
    KeyPath& m_keyPath;
};

}  // namespace kelodi
