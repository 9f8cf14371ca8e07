// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/practice/score_window.h"

#include <algorithm>

#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QUrl>
#include <QScreen>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/app/side_window_placement.h"
#include "core/practice/jianpu_layout.h"
#include "core/practice/practice_texts.h"
#include "core/practice/score.h"
#include "core/recording/recording_controller.h"
#include "core/recording/tempo.h"
#include "core/text/utf8.h"
#include "gui/common/pixel_rect.h"
#include "gui/common/utf8.h"
#include "gui/practice/score_view.h"

namespace kelodi {

namespace {

// The user's settings file, Kelodi/Kelodi.conf in the configuration folder.
const QString SettingsName = QStringLiteral("Kelodi");
// The frame's top left corner and the size of the contents, as pos() and
// size() give them.
const QString PositionKey = QStringLiteral("scoreWindow/position");
const QString SizeKey = QStringLiteral("scoreWindow/size");
// The time signature chosen for each song file, by the file's absolute path.
const QString TimeSignatureGroup = QStringLiteral("scoreTimeSignature");

}  // namespace

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

    auto* timeCaption = new QLabel(fromUtf8(TimeSignatureCaption), this);
    m_timeSignature = new QComboBox(this);
    m_timeSignature->setObjectName(QStringLiteral("TimeSignatureBox"));
    m_timeSignature->setToolTip(fromUtf8(TimeSignatureToolTip));
    // Chosen with the mouse; the keyboard stays with the keys.
    m_timeSignature->setFocusPolicy(Qt::NoFocus);
    for (const TimeSignature& time : OfferedTimeSignatures)
        m_timeSignature->addItem(fromUtf8(timeSignatureText(time)));
    m_timeSignature->setCurrentText(fromUtf8(timeSignatureText(DefaultTimeSignature)));
    connect(m_timeSignature, &QComboBox::activated, this, &ScoreWindow::chooseTimeSignature);

    m_cutNotice = new QLabel(this);
    m_cutNotice->setObjectName(QStringLiteral("ScoreCutNotice"));
    m_cutNotice->hide();

    m_view = new ScoreView;
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("ScoreScroll"));
    m_scroll->setWidget(m_view);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(m_view, &ScoreView::highlightMoved, this, &ScoreWindow::keepRowsInView);

    auto* top = new QHBoxLayout;
    m_topRow = top;
    top->addWidget(m_figures, 1);
    top->addWidget(timeCaption);
    top->addWidget(m_timeSignature);
    top->addSpacing(8);
    top->addWidget(tempoCaption);
    top->addWidget(m_tempo);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_cutNotice);
    layout->addWidget(m_scroll, 1);
    // On a screen with little room beside the main window the window may be
    // made as low as its top line, the score squeezed out: lower than the
    // layout would allow on its own.
    const QMargins margins = layout->contentsMargins();
    setMinimumSize(minimumSizeHint().width(), margins.top() + top->sizeHint().height() + margins.bottom());
    // Wide enough for the rows of a score printed by kelodi-dzq jianpu.
    resize(ScoreView::widthForCells(DefaultRowCells) + 40, 300);
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
    static const SongFile NoFile;
    const SongFile& file = m_songFile ? m_songFile() : NoFile;
    m_songKey.clear();
    if (!file.path.empty()) {
        std::error_code ec;
        const std::filesystem::path whole = std::filesystem::absolute(file.path, ec);
        m_songKey = QString::fromLatin1(QUrl::toPercentEncoding(fromUtf8(pathToUtf8(ec ? file.path : whole))));
    }
    // A song's own choice, or the one last shown for a take of the keys.
    TimeSignature time = m_view->timeSignature();
    if (!m_songKey.isEmpty()) {
        const QSettings settings(QSettings::UserScope, SettingsName, SettingsName);
        const QString chosen = settings.value(TimeSignatureGroup + QLatin1Char('/') + m_songKey).toString();
        time = parseTimeSignature(chosen.toStdString()).value_or(file.info.time.value_or(DefaultTimeSignature));
    }
    m_timeSignature->setCurrentText(fromUtf8(timeSignatureText(time)));
    m_view->setTimeSignature(time);
    m_view->setTitle(file.path.empty() ? QString() : fromUtf8(pathToUtf8(file.path.stem())),
                     fromUtf8(file.info.originalKey));
    m_view->setScore(score, scoreTiming(file.report));
    m_cutNotice->setText(score.cut ? fromUtf8(scoreCutText(score.noteCount)) : QString());
    m_cutNotice->setVisible(score.cut);
}

void ScoreWindow::chooseTimeSignature(int index)
{
    if (index < 0 || index >= static_cast<int>(OfferedTimeSignatures.size()))
        return;
    const TimeSignature time = OfferedTimeSignatures[static_cast<std::size_t>(index)];
    m_view->setTimeSignature(time);
    if (!m_songKey.isEmpty()) {
        QSettings settings(QSettings::UserScope, SettingsName, SettingsName);
        settings.setValue(TimeSignatureGroup + QLatin1Char('/') + m_songKey, fromUtf8(timeSignatureText(time)));
    }
    returnKeyboard();
}

// The row being played stays in the upper half of the score and the row
// after it wholly in view: when either would leave its place, the row goes
// to the top.
void ScoreWindow::keepRowsInView(const QRect& row, const QRect& next)
{
    QScrollBar* bar = m_scroll->verticalScrollBar();
    const int top = bar->value();
    const int height = m_scroll->viewport()->height();
    const bool placed = row.top() >= top && row.bottom() < top + height / 2 &&
                        (next.isEmpty() || next.bottom() < top + height);
    // The first row goes to the top with the header above it.
    if (!placed)
        bar->setValue(row.top() <= ScoreView::Margin + ScoreView::HeaderHeight ? 0 : row.top() - ScoreView::Margin);
}

void ScoreWindow::showOrRaise()
{
    if (!m_placed)
        placeBesideMainWindow();
    show();
    raise();
}

// The first time, the window goes where the player left it at the last start,
// or else beside the main window (see placeSideWindow).
void ScoreWindow::placeBesideMainWindow()
{
    QWidget* main = parentWidget();
    if (!main || !main->screen())
        return;
    const QRect keys = m_keysArea ? m_keysArea() : QRect();
    // The frame around the contents, as far as it is known before the
    // window is shown the first time.
    const QSize frameExtra = frameSize() - size();
    const QSettings settings(QSettings::UserScope, SettingsName, SettingsName);
    const QPoint position = settings.value(PositionKey).toPoint();
    const QSize contents = settings.value(SizeKey).toSize();
    const QRect remembered(position, contents + frameExtra);
    QScreen* screen = QGuiApplication::screenAt(remembered.center());
    if (contents.isValid() && screen &&
        canRestoreSideWindow(toPixelRect(screen->availableGeometry()), toPixelRect(keys), toPixelRect(remembered))) {
        setPlace(position, contents);
        return;
    }
    const auto withFrame = [&](int width, int height) {
        return PixelSize{width + frameExtra.width(), height + frameExtra.height()};
    };
    const PixelRect place = placeSideWindow(
        toPixelRect(main->screen()->availableGeometry()), toPixelRect(main->frameGeometry()),
        {frameSize().width(), frameSize().height()}, withFrame(minimumSizeHint().width(), readableHeight()),
        withFrame(minimumWidth(), minimumHeight()));
    setPlace({place.left, place.top}, QSize(place.width, place.height) - frameExtra);
}

int ScoreWindow::readableHeight() const
{
    const QMargins margins = layout()->contentsMargins();
    return margins.top() + m_topRow->sizeHint().height() + layout()->spacing() + 2 * m_scroll->frameWidth()
           + ScoreView::Margin + ScoreView::RowHeight + ScoreView::Margin + margins.bottom();
}

void ScoreWindow::setPlace(const QPoint& frameTopLeft, const QSize& contents)
{
    m_placed = true;
    resize(contents);
    move(frameTopLeft);
}

// Where the player moves or sizes the window, it comes back at the next start.
void ScoreWindow::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    rememberPlace();
}

void ScoreWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    rememberPlace();
}

void ScoreWindow::rememberPlace()
{
    if (!m_placed || !isVisible())
        return;
    QSettings settings(QSettings::UserScope, SettingsName, SettingsName);
    settings.setValue(PositionKey, pos());
    settings.setValue(SizeKey, size());
}

}  // namespace kelodi
