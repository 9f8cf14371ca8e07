// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/keyboard/key_path.h"

namespace kelodi {

// The recorder's and player's view of the key path: a press or a release of
// one key exactly as a left-button press or release on the on-screen key,
// and whether releases reach the recorder at all (KeyPath::releasesRecorded).
class KeyPresser {
public:
    virtual ~KeyPresser() = default;

    // key is a key index 0..43.
    virtual void pressKey(int key) = 0;
    virtual void releaseKey(int key, ReleaseReport report) = 0;

    virtual void setReleasesRecorded(bool recorded) = 0;
    virtual bool releasesRecorded() const = 0;
};

}  // namespace kelodi
