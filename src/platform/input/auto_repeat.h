// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelodi {

// Asks the X server to report a held key as repeated presses with no release
// events between them (XKB detectable auto-repeat), so that a key held down
// strikes its note once however busy the program is. `display` is the
// program's X11 Display*; the setting applies to that connection only.
// True when the server supports it and it is now on; false for a null
// display and on systems without X11.
bool enableDetectableAutoRepeat(void* display);

}  // namespace kelodi
