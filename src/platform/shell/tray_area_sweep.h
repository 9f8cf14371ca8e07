// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelodi {

// Makes the notification area drop icons whose owners have gone. On Windows
// an icon whose program ended without removing it stays until the pointer
// passes over it, so the pointer is led over every icon cell and the area is
// redrawn. Elsewhere the notification area tracks its owners itself and this
// does nothing.
void sweepTrayArea();

}  // namespace kelodi
