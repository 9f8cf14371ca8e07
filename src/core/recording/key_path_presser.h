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
    void releaseKey(int key) override { m_keyPath.release(key, LeftButton); }
    void pauseReleaseReports() override { m_keyPath.pauseReleaseReports(); }
    void resumeReleaseReports() override { m_keyPath.resumeReleaseReports(); }
    bool releaseReportsPaused() const override { return m_keyPath.releaseReportsPaused(); }

private:
    KeyPath& m_keyPath;
};

}  // namespace kelodi
