// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace kelodi {

// Places a dialog centred across the screen it is on (the primary screen when
// it has none yet) and one third of the free height from the top, keeping its
// size. The arithmetic is done in twips like the rest of the layout, over the
// screen's available area so that no panel covers the dialog. A dialog larger
// than the screen is held at the screen's edge rather than pushed off it.
void centreForm(QWidget& form);

}  // namespace kelodi
