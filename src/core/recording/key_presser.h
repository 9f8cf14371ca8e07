// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelodi {

// The recorder's and player's view of the key path: a press or a release of
// one key exactly as a left-button press or release on the on-screen key,
// and the pause of release reports the key path consults on every release
// (while paused, releases are not reported to the recorder).
class KeyPresser {
public:
    virtual ~KeyPresser() = default;

    // key is a key index 0..43.
    virtual void pressKey(int key) = 0;
    virtual void releaseKey(int key) = 0;

    virtual void pauseReleaseReports() = 0;
    virtual void resumeReleaseReports() = 0;
    virtual bool releaseReportsPaused() const = 0;
};

}  // namespace kelodi
