#pragma once

#include <QWidget>

class QToolButton;

namespace kelodi {

class Spinner;

// A numeric setting shown as two arrows only: the upper arrow raises the
// value by one, the lower lowers it. Holding an arrow repeats, like the arrows
// of a scroll bar. The value itself lives in the core Spinner.
class SpinnerWidget : public QWidget {
    Q_OBJECT
public:
    SpinnerWidget(Spinner& model, QWidget* parent);

    QToolButton* upArrow() const { return m_up; }
    QToolButton* downArrow() const { return m_down; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();

    Spinner& m_model;
    QToolButton* m_up;
    QToolButton* m_down;
};

}  // namespace kelodi
