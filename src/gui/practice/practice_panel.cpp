// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/practice/practice_panel.h"

#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/keyboard/key_path.h"
#include "core/practice/jianpu_note.h"
#include "core/practice/jianpu_layout.h"
#include "core/practice/metronome.h"
#include "core/practice/practice_controller.h"
#include "core/practice/practice_history.h"
#include "core/practice/practice_texts.h"
#include "core/recording/recording_controller.h"
#include "core/recording/shared_scheduler.h"
#include "gui/app/data_folders.h"
#include "gui/common/message_box_width.h"
#include "gui/common/utf8.h"
#include "gui/keyboard/piano_key.h"
#include "gui/practice/score_view.h"
#include "gui/practice/score_window.h"
#include "gui/recording/recording_panel.h"

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

PracticePanel::PracticePanel(QMenu* menu, RecordingPanel& recording, KeyPath& keyPath, MidiPort& port,
                             const KeyMap& map, const std::array<PianoKey*, KeyCount>& keys,
                             const std::filesystem::path& historyFolder, QWidget* window)
    : QObject(window),
      m_recording(recording),
      m_controller(recording.controller()),
      m_keyPath(keyPath),
      m_map(map),
      m_keys(keys),
      m_window(window),
      m_metronome(std::make_unique<Metronome>(port, recording.scheduler().addSlot(), recording.clock())),
      m_history(std::make_unique<PracticeHistory>(historyFolder))
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
    m_scoreWindow->setSongFile([this]() -> const SongFile& { return m_controller.songFile(); });
    connect(m_scoreWindow, &ScoreWindow::tempoChanged, this, [this](int percent) {
        m_controller.setTempoPercent(percent);
        m_practice->setSpeedPercent(percent);
    });

    m_scoreWindowItem = menu->addAction(fromUtf8(ScoreWindowItemCaption));
    m_scoreWindowItem->setObjectName(QStringLiteral("ScoreWindowItem"));
    connect(m_scoreWindowItem, &QAction::triggered, m_scoreWindow, &ScoreWindow::showOrRaise);
    menu->addSeparator();
    // The two ways of practice exclude each other; neither ticked is none.
    m_practiceItem = menu->addAction(fromUtf8(PracticeItemCaption));
    m_practiceItem->setObjectName(QStringLiteral("PracticeItem"));
    m_practiceItem->setCheckable(true);
    m_rhythmItem = menu->addAction(fromUtf8(RhythmItemCaption));
    m_rhythmItem->setObjectName(QStringLiteral("RhythmItem"));
    m_rhythmItem->setCheckable(true);
    auto* modes = new QActionGroup(this);
    modes->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    modes->addAction(m_practiceItem);
    modes->addAction(m_rhythmItem);
    connect(m_practiceItem, &QAction::toggled, this, &PracticePanel::chooseMode);
    connect(m_rhythmItem, &QAction::toggled, this, &PracticePanel::chooseMode);
    m_metronomeItem = menu->addAction(fromUtf8(MetronomeItemCaption));
    m_metronomeItem->setObjectName(QStringLiteral("MetronomeItem"));
    m_metronomeItem->setCheckable(true);
    connect(m_metronomeItem, &QAction::toggled, this, [this](bool on) { m_practice->setMetronomeOn(on); });
    menu->addSeparator();
    m_recordsItem = menu->addAction(fromUtf8(RecordsItemCaption));
    m_recordsItem->setObjectName(QStringLiteral("RecordsItem"));
    connect(m_recordsItem, &QAction::triggered, this, &PracticePanel::showRecords);

    PracticeView& view = *this;
    m_practice = std::make_unique<PracticeController>(m_controller, view, recording.scheduler().addSlot(),
                                                      recording.clock());
    m_practice->setMetronome(m_metronome.get());
    m_practice->setHistory(m_history.get());
    m_practice->setSpeedPercent(m_scoreWindow->tempoBox()->value());
    followTimeSignature();
    connect(m_scoreWindow->timeSignatureBox(), &QComboBox::currentIndexChanged, this,
            &PracticePanel::followTimeSignature);
    m_controller.setReplayHooks(m_practice.get());
    keyPath.setPressListener(m_practice.get());
    connect(m_scoreWindow->view(), &ScoreView::noteClicked, this, [this](std::size_t note, Qt::KeyboardModifiers modifiers) {
        m_practice->noteClicked(note, modifiers.testFlag(Qt::ShiftModifier));
    });
}

PracticePanel::~PracticePanel()
{
    delete m_summaryBox;
    m_controller.setReplayHooks(nullptr);
    m_keyPath.setPressListener(nullptr);
    m_practice.reset();
    m_metronome.reset();
}

void PracticePanel::chooseMode()
{
    if (m_rhythmItem->isChecked())
        m_practice->setMode(PracticeMode::Rhythm);
    else if (m_practiceItem->isChecked())
        m_practice->setMode(PracticeMode::Wait);
    else
        m_practice->setMode(std::nullopt);
}

QColor PracticePanel::gradeColour(RhythmGrade grade)
{
    switch (grade) {
    case RhythmGrade::OnTime: return QColor(0x9C, 0xE0, 0x9C);  // green
    case RhythmGrade::Early: return QColor(0xA8, 0xCC, 0xF0);   // blue
    case RhythmGrade::Late: return QColor(0xF5, 0xC8, 0x7A);    // orange
    case RhythmGrade::Missed: return QColor(0xC8, 0xC8, 0xC8);  // grey
    case RhythmGrade::Wrong: break;
    }
    return QColor(0xF0, 0x90, 0x90);  // red
}

void PracticePanel::showScore(const Score& score)
{
    m_scoreWindow->setScore(score);
    followTimeSignature();
}

// The bar the score is written in gives the count-in and the accents.
void PracticePanel::followTimeSignature()
{
    if (const std::optional<TimeSignature> time =
            parseTimeSignature(m_scoreWindow->timeSignatureBox()->currentText().toStdString()))
        m_practice->setBeatsPerBar(time->beats);
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

void PracticePanel::showRhythmFigures(const RhythmFigures& figures, bool running)
{
    m_scoreWindow->figuresLabel()->setText(fromUtf8(rhythmFiguresLine(figures, running)));
}

void PracticePanel::showGrade(std::size_t symbol, RhythmGrade grade)
{
    m_scoreWindow->view()->setNoteMark(symbol, gradeColour(grade));
}

void PracticePanel::clearGrades()
{
    m_scoreWindow->view()->clearNoteMarks();
}

// The box is window-modal and opened without a loop of its own: the pass
// has ended before it shows, and what follows it (a repeat) runs once it is
// closed.
void PracticePanel::showSummary(const PassSummary& summary, std::function<void()> closed)
{
    delete m_summaryBox;
    auto* box = new QMessageBox(QMessageBox::NoIcon, fromUtf8(summary.title), fromUtf8(summary.text),
                                QMessageBox::Ok, m_window);
    m_summaryBox = box;
    box->setObjectName(QStringLiteral("PracticeSummary"));
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->installEventFilter(new CopyBoxText(box));
    if (summary.takeKept) {
        QPushButton* save = box->addButton(fromUtf8(SaveTakeCaption), QMessageBox::ActionRole);
        save->setObjectName(QStringLiteral("SaveTakeButton"));
        connect(save, &QPushButton::clicked, this, [this] { saveTake(); });
    }
    // Esc closes the box as OK does, also beside the save button.
    box->setEscapeButton(QMessageBox::Ok);
    // Wide enough for its title, whatever the text below it.
    fitTitle(*box);
    connect(box, &QMessageBox::finished, this, [closed = std::move(closed)] {
        if (closed)
            closed();
    }, Qt::QueuedConnection);
    box->open();
}

std::filesystem::path PracticePanel::saveTake()
{
    const std::shared_ptr<RecordingEvents>& take = m_practice->take();
    if (!take || !take->hasKeyPress())
        return {};
    const QString name = fromUtf8(m_practice->songName()) + QStringLiteral(" 练习 ") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH.mm.ss")) +
                         QStringLiteral(".dzq");
    const std::filesystem::path path = m_recording.listedFolder() / toPath(name);
    if (!m_controller.saveEvents(path, *take))
        return {};
    m_recording.refreshRecordingsMenu(name.toStdString());
    return path;
}

void PracticePanel::showRecords()
{
    QDialog dialog(m_window);
    dialog.setObjectName(QStringLiteral("PracticeRecords"));
    dialog.setWindowTitle(fromUtf8(RecordsTitle) + QStringLiteral(" - ") + fromUtf8(m_practice->songName()));
    auto* layout = new QVBoxLayout(&dialog);
    const std::vector<PassRecord> records = m_practice->records();
    if (records.empty()) {
        layout->addWidget(new QLabel(fromUtf8(NoRecordsText), &dialog));
    } else {
        auto* list = new QTreeWidget(&dialog);
        list->setObjectName(QStringLiteral("RecordsList"));
        list->setRootIsDecorated(false);
        list->setHeaderLabels({QStringLiteral("日期"), QStringLiteral("方式"), QStringLiteral("速度"),
                               QStringLiteral("准确率"), QStringLiteral("用时")});
        // The newest first.
        for (auto record = records.rbegin(); record != records.rend(); ++record) {
            new QTreeWidgetItem(list, {fromUtf8(record->date), fromUtf8(practiceModeName(record->mode)),
                                       QString::number(record->speedPercent) + QStringLiteral(" %"),
                                       QString::number(record->accuracy) + QStringLiteral(" %"),
                                       fromUtf8(formatPracticeSeconds(record->seconds)) + QStringLiteral(" 秒")});
        }
        list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        list->setMinimumSize(480, 260);
        layout->addWidget(list);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.exec();
}

}  // namespace kelodi
