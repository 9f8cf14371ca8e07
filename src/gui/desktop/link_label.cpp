// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/desktop/link_label.h"

#include <QMouseEvent>

namespace kelodi {

const QColor LinkLabel::RestColor(0, 0, 255);
const QColor LinkLabel::HotColor(255, 0, 0);

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    // Mouse moves without a button pressed must reach the label.
    setMouseTracking(true);
    applyLook();
}

void LinkLabel::setHoverEnabled(bool enabled)
{
    m_hoverEnabled = enabled;
    if (!enabled)
        setHot(false);
}

void LinkLabel::setRestColor(const QColor& color)
{
    m_restColor = color;
    applyLook();
}

void LinkLabel::setHot(bool hot)
{
    hot = hot && m_hoverEnabled;
    if (hot == m_hot)
        return;
    m_hot = hot;
    applyLook();
}

void LinkLabel::applyLook()
{
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, m_hot ? HotColor : m_restColor);
    setPalette(pal);
    QFont f = font();
    f.setUnderline(m_hot);
    setFont(f);
}

void LinkLabel::enterEvent(QEnterEvent* event)
{
    setHot(true);
    QLabel::enterEvent(event);
}

void LinkLabel::mouseMoveEvent(QMouseEvent* event)
{
    setHot(true);
    event->accept();
}

void LinkLabel::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    // A click is a press and a release of the left button on the label.
    const bool click = m_pressed && event->button() == Qt::LeftButton
                       && rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click)
        emit clicked();
}

}  // namespace kelodi
