#include "gui/keyboard/spinner_widget.h"

#include <QToolButton>

#include "core/keyboard/controls.h"

namespace kelodi {

SpinnerWidget::SpinnerWidget(Spinner& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_up(new QToolButton(this)), m_down(new QToolButton(this))
{
    for (QToolButton* arrow : {m_up, m_down}) {
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setAutoRepeat(true);
        arrow->setAutoRepeatDelay(400);
        arrow->setAutoRepeatInterval(80);
    }
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    connect(m_up, &QToolButton::clicked, this, [this] { m_model.stepUp(); });
    connect(m_down, &QToolButton::clicked, this, [this] { m_model.stepDown(); });
    m_model.display = [this](int) { refresh(); };
    refresh();
}

void SpinnerWidget::resizeEvent(QResizeEvent*)
{
    const int upper = height() / 2;
    m_up->setGeometry(0, 0, width(), upper);
    m_down->setGeometry(0, upper, width(), height() - upper);
}

void SpinnerWidget::refresh()
{
    m_up->setEnabled(m_model.value() < m_model.maximum());
    m_down->setEnabled(m_model.value() > m_model.minimum());
    setToolTip(QString::number(m_model.value()));
}

}  // namespace kelodi
