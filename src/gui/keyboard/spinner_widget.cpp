// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/keyboard/spinner_widget.h"

#include <QToolButton>

namespace kelodi {

SpinnerWidget::SpinnerWidget(QWidget* parent)
    : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this))
{
    for (QToolButton* arrow : {m_up, m_down}) {
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setAutoRepeat(true);
        arrow->setAutoRepeatDelay(400);
        arrow->setAutoRepeatInterval(80);
    }
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    connect(m_up, &QToolButton::clicked, this, [this] { emit stepRequested(+1); });
    connect(m_down, &QToolButton::clicked, this, [this] { emit stepRequested(-1); });
}

void SpinnerWidget::resizeEvent(QResizeEvent*)
{
    const int upper = height() / 2;
    m_up->setGeometry(0, 0, width(), upper);
    m_down->setGeometry(0, upper, width(), height() - upper);
}

void SpinnerWidget::showValue(int value, int minimum, int maximum)
{
    m_up->setEnabled(value < maximum);
    m_down->setEnabled(value > minimum);
    setToolTip(QString::number(value));
}

}  // namespace kelodi
