// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QToolButton;

namespace kelodi {

// A numeric setting shown as two arrows only: the upper arrow asks for one
// step up, the lower for one step down. Holding an arrow repeats, like the
// arrows of a scroll bar. The widget keeps no value: it reports the steps and
// shows the value it is given (an arrow is disabled at its end of the range).
class SpinnerWidget : public QWidget {
    Q_OBJECT
public:
    explicit SpinnerWidget(QWidget* parent);

    QToolButton* upArrow() const { return m_up; }
    QToolButton* downArrow() const { return m_down; }

    void showValue(int value, int minimum, int maximum);

signals:
    // +1 for the upper arrow, -1 for the lower.
    void stepRequested(int steps);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* m_up;
    QToolButton* m_down;
};

}  // namespace kelodi
