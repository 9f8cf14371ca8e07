// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/desktop/app_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace kelodi {

namespace {

constexpr int IconSizes[] = {16, 20, 24, 32, 40, 48, 64, 128, 256};

}  // namespace

void paintAppIcon(QPainter& p, int size)
{
    p.setRenderHint(QPainter::Antialiasing, size >= 32);

    // The instrument's case: wider than high, like the keyboard itself.
    const int margin = std::max(1, size / 16);
    const int caseHeight = size * 11 / 16;
    const QRect caseRect(margin, (size - caseHeight) / 2, size - 2 * margin, caseHeight);
    const qreal radius = size >= 32 ? size / 12.0 : 1.0;
    QLinearGradient caseFill(caseRect.topLeft(), caseRect.bottomLeft());
    caseFill.setColorAt(0, QColor(0x3a, 0x4f, 0x6e));
    caseFill.setColorAt(1, QColor(0x1b, 0x26, 0x3b));
    QPainterPath casePath;
    casePath.addRoundedRect(QRectF(caseRect), radius, radius);
    p.fillPath(casePath, caseFill);

    // Control strip along the top: a red lamp and two sliders where there is room.
    const int border = std::max(1, size / 20);
    const int stripHeight = std::max(3, caseHeight * 3 / 10);
    if (size >= 24) {
        const int lamp = std::max(2, stripHeight / 3);
        const int lampY = caseRect.top() + (stripHeight - lamp) / 2 + border / 2;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xff, 0x3b, 0x30));
        p.drawEllipse(QRect(caseRect.left() + border * 3, lampY, lamp, lamp));
        p.setBrush(QColor(0xc8, 0xd2, 0xe0));
        const int sliderWidth = caseRect.width() / 5;
        const int sliderHeight = std::max(1, lamp / 2);
        for (int i = 0; i < 2; ++i) {
            const int x = caseRect.right() - border * 3 - (i + 1) * sliderWidth - i * border * 2;
            p.drawRect(QRect(x, lampY + (lamp - sliderHeight) / 2, sliderWidth, sliderHeight));
        }
    }

    // The keys.
    const int whiteCount = size < 24 ? 4 : (size < 48 ? 5 : 7);
    const QRect keyArea = caseRect.adjusted(border, stripHeight, -border, -border);
    const int whiteWidth = keyArea.width() / whiteCount;
    const int keysLeft = keyArea.left() + (keyArea.width() - whiteWidth * whiteCount) / 2;
    const int pressed = whiteCount >= 5 ? 2 : 1;  // E (or D on the smallest image)
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int i = 0; i < whiteCount; ++i) {
        // One pixel of the case shows between neighbouring keys.
        const QRect key(keysLeft + i * whiteWidth, keyArea.top(), whiteWidth - 1, keyArea.height());
        QLinearGradient fill(key.topLeft(), key.bottomLeft());
        if (i == pressed) {
            fill.setColorAt(0, QColor(0xff, 0x55, 0x48));
            fill.setColorAt(1, QColor(0xd0, 0x10, 0x10));
        } else {
            fill.setColorAt(0, QColor(0xff, 0xff, 0xff));
            fill.setColorAt(1, QColor(0xdd, 0xe2, 0xea));
        }
        p.fillRect(key, fill);
    }
    // Black keys above C, D, F, G and A, as far as the white keys reach.
    const int blackWidth = std::max(1, whiteWidth * 3 / 5);
    const int blackHeight = keyArea.height() * 3 / 5;
    for (int i : {0, 1, 3, 4, 5}) {
        if (i + 1 >= whiteCount)
            continue;
        const int x = keysLeft + (i + 1) * whiteWidth - blackWidth / 2 - 1;
        p.fillRect(QRect(x, keyArea.top(), blackWidth, blackHeight), QColor(0x10, 0x12, 0x18));
    }
}

QPixmap appIconPixmap(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    paintAppIcon(p, size);
    return pixmap;
}

QIcon appIcon()
{
    QIcon icon;
    for (int size : IconSizes)
        icon.addPixmap(appIconPixmap(size));
    return icon;
}

}  // namespace kelodi
