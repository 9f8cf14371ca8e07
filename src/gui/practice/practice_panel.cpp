// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/practice/practice_panel.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>

#include "core/keyboard/key_path.h"
#include "core/practice/jianpu_note.h"
#include "core/practice/practice_controller.h"
#include "core/practice/practice_texts.h"
#include "core/recording/recording_controller.h"
#include "gui/common/utf8.h"
#include "gui/keyboard/piano_key.h"
#include "gui/practice/score_view.h"
#include "gui/practice/score_window.h"
#include "gui/recording/player_driver.h"

namespace kelodi {

namespace {

// Ctrl+C on the box copies its title and figures, so a player can keep them.
class CopyBoxText : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* box = qobject_cast<QMessageBox*>(watched);
        if (box && event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
            QGuiApplication::clipboard()->setText(box->windowTitle() + QLatin1Char('\n') + box->text());
            return true;
        }
        return false;
    }
};

}  // namespace

PracticePanel::PracticePanel(QMenu* menu, RecordingController& controller, KeyPath& keyPath, const KeyMap& map,
                             const std::array<PianoKey*, KeyCount>& keys, QWidget* window)
    : QObject(window),
      m_controller(controller),
      m_keyPath(keyPath),
      m_map(map),
      m_keys(keys),
      m_window(window),
      m_deferral(std::make_unique<PlayerDriver>(m_clock))
{
    m_scoreWindow = new ScoreWindow(window);
    m_scoreWindow->setKeysArea([this] {
        QRect area;
        for (const PianoKey* key : m_keys) {
            if (key)
                area |= QRect(key->mapToGlobal(QPoint(0, 0)), key->size());
        }
        return area;
    });
    m_scoreWindow->setSongFile([&controller]() -> const SongFile& { return controller.songFile(); });
    connect(m_scoreWindow, &ScoreWindow::tempoChanged, this,
            [this](int percent) { m_controller.setTempoPercent(percent); });

    m_scoreWindowItem = menu->addAction(fromUtf8(ScoreWindowItemCaption));
    m_scoreWindowItem->setObjectName(QStringLiteral("ScoreWindowItem"));
    connect(m_scoreWindowItem, &QAction::triggered, m_scoreWindow, &ScoreWindow::showOrRaise);
    m_practiceItem = menu->addAction(fromUtf8(PracticeItemCaption));
    m_practiceItem->setObjectName(QStringLiteral("PracticeItem"));
    m_practiceItem->setCheckable(true);
    connect(m_practiceItem, &QAction::toggled, this, [this](bool on) { m_practice->setEnabled(on); });

    PracticeView& view = *this;
    m_practice = std::make_unique<PracticeController>(controller, view, *m_deferral, m_clock);
    controller.setReplayHooks(m_practice.get());
    keyPath.setPressListener(m_practice.get());
}

PracticePanel::~PracticePanel()
{
    m_deferral->cancel();
    m_controller.setReplayHooks(nullptr);
    m_keyPath.setPressListener(nullptr);
}

void PracticePanel::showScore(const Score& score)
{
    m_scoreWindow->setScore(score);
}

void PracticePanel::highlightSymbol(std::optional<std::size_t> symbol)
{
    m_scoreWindow->view()->setHighlight(symbol);
}

void PracticePanel::markNextKey(int key)
{
    if (key == m_markedKey)
        return;
    if (m_markedKey >= 0)
        m_keys[static_cast<std::size_t>(m_markedKey)]->setGuide(QString(), false);
    m_markedKey = key >= 0 && key < static_cast<int>(m_keys.size()) ? key : -1;
    if (m_markedKey < 0)
        return;
    const ComputerKeyLabel label = computerKeyLabel(m_map, key);
    m_keys[static_cast<std::size_t>(key)]->setGuide(fromUtf8(label.key), label.shift);
}

void PracticePanel::showFigures(const std::optional<PracticeFigures>& figures, PracticeSession::State state)
{
    m_scoreWindow->figuresLabel()->setText(figures ? fromUtf8(practiceFiguresLine(*figures, state)) : QString());
}

void PracticePanel::showSummary(const PracticeFigures& figures)
{
    QMessageBox box(QMessageBox::NoIcon, fromUtf8(SummaryTitle), fromUtf8(practiceSummaryText(figures)),
                    QMessageBox::Ok, m_window);
    box.setObjectName(QStringLiteral("PracticeSummary"));
    box.setTextFormat(Qt::PlainText);
    CopyBoxText copy;
    box.installEventFilter(&copy);
    box.exec();
}

}  // namespace kelodi
