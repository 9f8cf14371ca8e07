// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/dialog_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "core/app/window_placement.h"

namespace kelodi {

void centreForm(QWidget& form)
{
    QScreen* screen = form.screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;

    const QRect area = screen->availableGeometry();
    // The frame is known only once the window has been shown; before that the
    // widget's own size is the best measure of what will appear.
    const QSize size = form.isVisible() ? form.frameGeometry().size() : form.size();
    const TwipPoint place = centreForm(double(area.width()) * TwipsPerPixel,
                                       double(area.height()) * TwipsPerPixel,
                                       double(size.width()) * TwipsPerPixel,
                                       double(size.height()) * TwipsPerPixel);
    // A dialog larger than the screen would get a negative place; keep its
    // title bar on the screen so it can still be moved and closed.
    const int left = int(place.left / TwipsPerPixel);
    const int top = int(place.top / TwipsPerPixel);
    form.move(area.left() + (left > 0 ? left : 0), area.top() + (top > 0 ? top : 0));
}

}  // namespace kelodi
