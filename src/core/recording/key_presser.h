#pragma once

namespace kelodi {

// The recorder's and player's view of the key path: a press or a release of
// one key exactly as a left-button press or release on the on-screen key,
// plus the RecordPause flag the key path consults on every release (while it
// is set, releases are not reported to the recorder).
class KeyPresser {
public:
    virtual ~KeyPresser() = default;

    // key is a key index 0..43.
    virtual void pressKey(int key) = 0;
    virtual void releaseKey(int key) = 0;

    virtual void setRecordPause(bool paused) = 0;
    virtual bool recordPause() const = 0;
};

}  // namespace kelodi
