// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QPixmap>

class QPainter;

namespace kelodi {

// The program's icon: a small keyboard with one key pressed, drawn for each
// size so that even the 16-pixel image keeps crisp key edges. Used as the
// main window's icon and, through it, for the tray.
QIcon appIcon();

// One image of the icon, `size` x `size` pixels.
QPixmap appIconPixmap(int size);

// Draws the icon into a `size` x `size` square from (0, 0). The one drawing
// behind the window's icon and the icon files of the desktop entry (PNG
// images and the scalable SVG), so they always look alike.
void paintAppIcon(QPainter& painter, int size);

}  // namespace kelodi
