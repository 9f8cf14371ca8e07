#pragma once

#include <QIcon>
#include <QPixmap>

namespace kelodi {

// The program's icon: a small keyboard with one key pressed, drawn for each
// size so that even the 16-pixel image keeps crisp key edges. Used as the
// main window's icon and, through it, for the tray.
QIcon appIcon();

// One image of the icon, `size` x `size` pixels.
QPixmap appIconPixmap(int size);

}  // namespace kelodi
