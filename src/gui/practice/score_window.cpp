// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/practice/score_window.h"

#include <algorithm>

#include <QHBoxLayout>
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
    : QWidget(mainWindow, Qt::Tool | Qt::WindowDoesNotAcceptFocus)
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
    m_tempo->setFocusPolicy(Qt::NoFocus);
    m_tempo->setToolTip(fromUtf8(TempoToolTip));
    connect(m_tempo, &QSpinBox::valueChanged, this, &ScoreWindow::tempoChanged);

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
