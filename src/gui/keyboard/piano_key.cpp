// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/keyboard/piano_key.h"

#include <QMouseEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>

#include "core/keyboard/key_geometry.h"
#include "core/keyboard/key_map.h"
#include "core/keyboard/key_path.h"
#include "core/keyboard/keyboard_view.h"

namespace kelodi {

namespace {

using KeyGeometry::Inset;

// Top of the guide letter on a white key, in its own coordinates: 3 pixels
// below the visible part of the black keys.
constexpr int WhiteGuideTop = KeyGeometry::BlackHeight - Inset + 3;

}  // namespace

int keyPathButton(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return LeftButton;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

PianoKey::PianoKey(int index, QWidget* parent) : QWidget(parent), m_index(index)
{
    setObjectName(QStringLiteral("Key_%1").arg(index));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PianoKey::setColour(std::uint32_t colour)
{
    if (colour == m_colour)
        return;
    m_colour = colour;
    update();
}

void PianoKey::setCaption(const QString& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    update();
}

void PianoKey::setGuide(const QString& computerKey, bool shift)
{
    if (computerKey == m_guideKey && shift == m_guideShift)
        return;
    m_guideKey = computerKey;
    m_guideShift = shift;
    update();
}

QColor PianoKey::guideColour()
{
    return {144, 238, 144};
}

void PianoKey::resizeEvent(QResizeEvent*)
{
    setMask(QRegion(Inset, Inset, width() - 2 * Inset, height() - 2 * Inset));
}

void PianoKey::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QColor face(static_cast<int>(m_colour & 0xFF), static_cast<int>((m_colour >> 8) & 0xFF),
                static_cast<int>((m_colour >> 16) & 0xFF));
    // A marked key that sounds stays red: the player sees the press.
    const bool sounding = m_colour == KeyColour::Red;
    if (isGuided() && !sounding)
        face = guideColour();
    painter.fillRect(rect(), face);
    if (isGuided())
        paintGuide(painter);
    if (m_caption.isEmpty())
        return;
    // Captions carry their own blank lines to push the text down the key; the
    // block of lines is centred as a whole, like a button caption.
    QString text = m_caption;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    painter.setPen(face.lightness() < 128 ? Qt::white : Qt::black);
    painter.drawText(rect().adjusted(Inset, Inset, -Inset, -Inset), Qt::AlignCenter, text);
}

// The letter sits just below the black keys on a white key and at the
// bottom of a black key, where neither the neighbours nor the label lines
// (which start lower down) cover it.
void PianoKey::paintGuide(QPainter& painter)
{
    const QRect visible = rect().adjusted(Inset, Inset, -Inset, -Inset);
    if (m_colour == KeyColour::Red) {
        painter.setPen(QPen(guideColour(), 3));
        painter.drawRect(visible.adjusted(1, 1, -2, -2));
    }
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(14);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const int lineHeight = QFontMetrics(font).height();
    const bool white = !isBlackKey(m_index);
    QRect band = white ? QRect(visible.left(), WhiteGuideTop, visible.width(), lineHeight)
                       : QRect(visible.left(), visible.bottom() - lineHeight - 2, visible.width(), lineHeight);
    painter.drawText(band, Qt::AlignCenter, m_guideKey);
    if (m_guideShift)
        painter.drawText(band.translated(0, -lineHeight), Qt::AlignCenter, QStringLiteral("⇧"));
    painter.setFont(this->font());
}

void PianoKey::mousePressEvent(QMouseEvent* event)
{
    emit mouseDown(m_index, keyPathButton(event->button()));
}

void PianoKey::mouseReleaseEvent(QMouseEvent* event)
{
    emit mouseUp(m_index, keyPathButton(event->button()));
}

}  // namespace kelodi
