// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/practice/score_window.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QScreen>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/practice/practice_texts.h"
#include "core/practice/score.h"
#include "core/recording/tempo.h"
#include "gui/common/utf8.h"
#include "gui/practice/score_view.h"

namespace kelodi {

ScoreWindow::ScoreWindow(QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Tool)
{
    setObjectName(QStringLiteral("ScoreWindow"));
    setWindowTitle(fromUtf8(ScoreWindowTitle));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);

    m_figures = new QLabel(this);
    m_figures->setObjectName(QStringLiteral("PracticeFigures"));
    auto* tempoCaption = new QLabel(fromUtf8(TempoCaption), this);
    m_tempo = new QSpinBox(this);
    m_tempo->setObjectName(QStringLiteral("TempoBox"));
    m_tempo->setRange(SlowestTempoPercent, FastestTempoPercent);
    m_tempo->setSingleStep(10);
    m_tempo->setValue(NormalTempoPercent);
    m_tempo->setSuffix(QStringLiteral(" %"));
    m_tempo->setToolTip(fromUtf8(TempoToolTip));
    // Typed digits take effect when the typing ends (Return, or a click
    // elsewhere), not at each digit: "150" would pass through 25 % on the way.
    m_tempo->setKeyboardTracking(false);
    m_tempo->setFocusPolicy(Qt::ClickFocus);
    m_tempo->installEventFilter(this);
    m_tempo->findChild<QLineEdit*>()->installEventFilter(this);
    connect(m_tempo, &QSpinBox::valueChanged, this, &ScoreWindow::tempoChanged);
    connect(m_tempo, &QSpinBox::editingFinished, this, &ScoreWindow::returnKeyboard);

    m_cutNotice = new QLabel(this);
    m_cutNotice->setObjectName(QStringLiteral("ScoreCutNotice"));
    m_cutNotice->hide();

    m_view = new ScoreView;
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("ScoreScroll"));
    m_scroll->setWidget(m_view);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The note being played stays in view, a line of the score around it.
    connect(m_view, &ScoreView::highlightMoved, this, [this](const QRect& area) {
        m_scroll->ensureVisible(area.center().x(), area.center().y(), 0, ScoreView::LineHeight);
    });

    auto* top = new QHBoxLayout;
    top->addWidget(m_figures, 1);
    top->addWidget(tempoCaption);
    top->addWidget(m_tempo);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_cutNotice);
    layout->addWidget(m_scroll, 1);
    resize(620, 300);
}

// A click on the tempo box gives it the keyboard for typing a value; the
// window takes the keyboard for nothing else.
bool ScoreWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        m_tempo->setFocus(Qt::MouseFocusReason);
        activateWindow();
    } else if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        returnKeyboard();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ScoreWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Moved or clicked by the player, the window hands the keyboard back to
    // the keys unless the tempo box is being typed in.
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        QTimer::singleShot(0, this, [this] {
            if (isActiveWindow() && !m_tempo->hasFocus())
                returnKeyboard();
        });
    }
}

void ScoreWindow::returnKeyboard()
{
    m_tempo->clearFocus();
    if (QWidget* main = parentWidget(); main && isActiveWindow())
        main->activateWindow();
}

void ScoreWindow::setScore(const Score& score)
{
    m_view->setScore(score);
    m_cutNotice->setText(score.cut ? fromUtf8(scoreCutText(score.noteCount)) : QString());
    m_cutNotice->setVisible(score.cut);
}

void ScoreWindow::showOrRaise()
{
    if (!m_placed)
        placeBesideMainWindow();
    show();
    raise();
}

// The first time, the window goes below the main window (or to its right),
// where it covers none of the keys, as long as it fits on the screen.
void ScoreWindow::placeBesideMainWindow()
{
    m_placed = true;
    QWidget* main = parentWidget();
    if (!main || !main->screen())
        return;
    const QRect screen = main->screen()->availableGeometry();
    const QRect frame = main->frameGeometry();
    constexpr int Gap = 8;
    const QPoint below(frame.left(), frame.bottom() + Gap);
    const QPoint right(frame.right() + Gap, frame.top());
    for (const QPoint& place : {below, right}) {
        if (screen.contains(QRect(place, frameSize()))) {
            move(place);
            return;
        }
    }
    // Below, pushed up as far as needed to stay on the screen.
    move(frame.left(), std::max(screen.top(), std::min(below.y(), screen.bottom() - frameSize().height())));
}

}  // namespace kelodi
