// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/tray_area_sweep.h"

namespace kelodi {

// Freedesktop status notifier hosts and the X11 system tray protocol both
// notice when the owner of an icon goes away.
void sweepTrayArea() {}

}  // namespace kelodi
