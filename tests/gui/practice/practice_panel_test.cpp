// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QWindow>

#include "core/practice/practice_controller.h"
#include "core/practice/score.h"
#include "core/recording/event_notation.h"
#include "core/recording/recording_controller.h"
#include "gui/app/main_window_fixture.h"
#include "gui/keyboard/piano_key.h"
#include "gui/midi/modal_helper.h"
#include "gui/practice/practice_panel.h"
#include "gui/practice/score_view.h"
#include "gui/practice/score_window.h"
#include "gui/recording/recording_panel.h"

namespace kelodi {
namespace {

using test::R;

// Qt's warnings (and worse) while it lives; debug and info messages pass, and
// so do the offscreen platform's notes on what it leaves out ("This plugin
// does not support raise()").
class QtWarnings {
public:
    QtWarnings() : m_previous(qInstallMessageHandler(&QtWarnings::collect)) { s_messages = &messages; }
    ~QtWarnings()
    {
        qInstallMessageHandler(m_previous);
        s_messages = nullptr;
    }
    QtWarnings(const QtWarnings&) = delete;
    QtWarnings& operator=(const QtWarnings&) = delete;

    std::string text() const { return messages.join(QLatin1Char('\n')).toStdString(); }

    QStringList messages;

private:
    static void collect(QtMsgType type, const QMessageLogContext&, const QString& message)
    {
        if (s_messages && type != QtDebugMsg && type != QtInfoMsg &&
            !message.startsWith(QLatin1String("This plugin does not support")))
            s_messages->append(message);
    }

    static inline QStringList* s_messages = nullptr;
    QtMessageHandler m_previous;
};

class PracticePanelTest : public test::MainWindowFixture {
protected:
    PracticePanel& panel() { return window->practice(); }
    RecordingController& controller() { return window->recording().controller(); }

    // Keys 12 (D), 14 (F), released between, a beat apart.
    void setSong()
    {
        RecordingEvents events;
        for (auto [delay, key] : {std::pair{0.05f, 12}, {0.03f, R}, {0.02f, 14}, {0.03f, R}})
            events.append(test::eventOf(delay, key));
        setSong(std::move(events));
    }
    void setSong(RecordingEvents events)
    {
        controller().setEvents(std::move(events));
        // A recording started and ended without a key keeps the events and
        // leaves "录制回放(&O)" enabled.
        window->recording().button(RecorderButton::StartRecording)->click();
        window->recording().button(RecorderButton::EndRecording)->click();
    }
    int noteOns() const
    {
        int count = 0;
        for (ShortMessage m : devices.journal.messages)
            count += (statusByte(m) & 0xF0) == 0x90;
        return count;
    }
    void type(Qt::Key key)
    {
        QTest::keyPress(handle(), key);
        QTest::keyRelease(handle(), key);
    }
};

TEST_F(PracticePanelTest, ThePracticeMenuFollowsTheRecordingsListAndOpensWithItsKey)
{
    QStringList titles;
    for (QAction* action : window->menuBar()->actions())
        titles << action->text();
    const qsizetype list = titles.indexOf(QStringLiteral("曲目列表(&Q)"));
    ASSERT_GE(list, 0);
    ASSERT_LT(list + 1, titles.size());
    EXPECT_EQ(titles[list + 1], QStringLiteral("练习(&P)"));
    EXPECT_EQ(panel().scoreWindowItem()->text(), QStringLiteral("曲谱窗口(&W)"));
    EXPECT_EQ(panel().practiceItem()->text(), QStringLiteral("跟弹练习(&F)"));
    EXPECT_TRUE(panel().practiceItem()->isCheckable());
    EXPECT_FALSE(panel().practiceItem()->isChecked());

    // Alt+P is no other menu's or button's key, so it opens this menu.
    QTest::keyClick(window.get(), Qt::Key_P, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 30000));
    EXPECT_EQ(QApplication::activePopupWidget(), qobject_cast<QWidget*>(panel().practiceItem()->parent()));
    QApplication::activePopupWidget()->close();
}

// Whether the window leaves the keyboard focus where it is shows only on a
// real X server: the end-to-end practice script plays keys with it open.
TEST_F(PracticePanelTest, TheMenuShowsTheScoreWindow)
{
    panel().scoreWindowItem()->trigger();
    ScoreWindow* score = panel().scoreWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(score));
    EXPECT_EQ(score->windowTitle(), QStringLiteral("曲谱"));
    EXPECT_EQ(score->tempoBox()->value(), 100);
}

TEST_F(PracticePanelTest, APractisedSongWaitsForTheKeysAndEndsWithTheBox)
{
    setSong();
    panel().practiceItem()->trigger();
    messages().clear();
    window->recording().button(RecorderButton::Replay)->click();  // 录制回放(&O)

    // Nothing plays by itself; the first key is marked with its letter.
    EXPECT_FALSE(QTest::qWaitFor([&] { return !messages().empty(); }, 300));
    EXPECT_TRUE(window->key(12)->isGuided());
    EXPECT_EQ(window->key(12)->guideKey(), QStringLiteral("D"));
    EXPECT_EQ(panel().scoreWindow()->view()->highlight(), 0u);

    type(Qt::Key_F);  // wrong: it sounds and the song waits on
    EXPECT_EQ(noteOns(), 4);
    EXPECT_TRUE(window->key(12)->isGuided());
    EXPECT_TRUE(panel().scoreWindow()->figuresLabel()->text().contains(QStringLiteral("弹错 1")));
    type(Qt::Key_D);
    EXPECT_FALSE(window->key(12)->isGuided());
    EXPECT_EQ(window->key(14)->guideKey(), QStringLiteral("F"));

    QString title;
    QString text;
    QString copied;
    test::NextModal box([&](QWidget& modal) {
        title = modal.windowTitle();
        text = static_cast<QMessageBox&>(modal).text();
        QTest::keyClick(&modal, Qt::Key_C, Qt::ControlModifier);
        copied = QGuiApplication::clipboard()->text();
    });
    // The last note sounds while its key is held; the box follows its release.
    QTest::keyPress(handle(), Qt::Key_F);
    EXPECT_FALSE(QTest::qWaitFor([&] { return box.seen() > 0; }, 300));
    EXPECT_EQ(noteOns(), 12);
    EXPECT_EQ(statusByte(messages().back()) & 0xF0, 0x90);  // nothing stopped it
    QTest::keyRelease(handle(), Qt::Key_F);
    ASSERT_TRUE(QTest::qWaitFor([&] { return box.seen() == 1; }, 30000));
    EXPECT_EQ(title, QStringLiteral("练习完成"));
    EXPECT_TRUE(text.startsWith(QStringLiteral("音符：2 个\n弹错：1 次\n准确率：66 %\n用时："))) << text.toStdString();
    EXPECT_EQ(copied, title + QLatin1Char('\n') + text);
    EXPECT_EQ(noteOns(), 12);
    EXPECT_EQ(panel().markedKey(), -1);
    EXPECT_FALSE(controller().isPlaying());
    EXPECT_TRUE(window->recording().button(RecorderButton::Replay)->isEnabled());
    EXPECT_TRUE(panel().scoreWindow()->figuresLabel()->text().startsWith(QStringLiteral("练习完成")));
}

// The tempo box takes typed digits once clicked, and gives the keyboard back
// to the keys with Return.
TEST_F(PracticePanelTest, TheTempoBoxTakesTypedDigitsFrom25To200)
{
    panel().scoreWindowItem()->trigger();
    ScoreWindow* score = panel().scoreWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(score));
    QSpinBox* tempo = score->tempoBox();
    EXPECT_EQ(tempo->minimum(), 25);
    EXPECT_EQ(tempo->maximum(), 200);
    std::vector<int> changes;
    QObject::connect(score, &ScoreWindow::tempoChanged, [&](int percent) { changes.push_back(percent); });

    auto* edit = tempo->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    QTest::mouseClick(edit, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return score->isActiveWindow(); }, 30000));
    QTest::keyClick(score->windowHandle(), Qt::Key_A, Qt::ControlModifier);
    for (Qt::Key digit : {Qt::Key_2, Qt::Key_5})
        QTest::keyClick(score->windowHandle(), digit);
    QTest::keyClick(score->windowHandle(), Qt::Key_Return);
    EXPECT_EQ(tempo->value(), 25);
    EXPECT_EQ(changes, std::vector<int>{25});  // once, when the typing ends
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isActiveWindow(); }, 30000));
    EXPECT_FALSE(tempo->hasFocus());
}

TEST_F(PracticePanelTest, AnOrdinaryReplayShowsItsScoreAndMarksTheNextKeyUntilItEnds)
{
    setSong();
    window->recording().button(RecorderButton::Replay)->click();
    EXPECT_EQ(panel().scoreWindow()->view()->score().noteCount, 2u);
    EXPECT_EQ(panel().markedKey(), 12);
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel().markedKey() == 14; }, 30000));
    EXPECT_EQ(panel().scoreWindow()->view()->highlight(), 0u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller().isPlaying(); }, 30000));
    EXPECT_EQ(panel().markedKey(), -1);
    for (int k = 0; k < 44; ++k)
        EXPECT_FALSE(window->key(k)->isGuided()) << k;
    EXPECT_EQ(panel().scoreWindow()->view()->highlight(), std::nullopt);
}

// Notes `beats` beats (of 0.5 s) apart: single keys round the middle of the
// keyboard, or chords of the lowest `keys` keys.
Score scoreOf(std::size_t notes, int keys = 1, double beats = 1)
{
    Score song;
    for (std::size_t i = 0; i < notes; ++i) {
        ScoreNote note{i, i, {}, 0.5 * beats * static_cast<double>(i), std::nullopt};
        for (int k = 0; k < keys; ++k)
            note.keys.push_back(keys == 1 ? 12 + static_cast<int>(i % 24) : k);
        song.notes.push_back(note);
    }
    song.noteCount = notes;
    return song;
}

TEST_F(PracticePanelTest, TheRowPlayedStaysInTheUpperHalfWithTheNextRowInView)
{
    panel().scoreWindowItem()->trigger();
    ScoreWindow* score = panel().scoreWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(score));
    score->view()->setScore(scoreOf(400), {0.5, 1.0});
    auto* scroll = score->findChild<QScrollArea*>(QStringLiteral("ScoreScroll"));
    ASSERT_NE(scroll, nullptr);
    QApplication::processEvents();
    EXPECT_EQ(scroll->verticalScrollBar()->value(), 0);

    for (std::size_t note = 0; note < 300; note += 3) {
        score->view()->setHighlight(note);
        const std::size_t row = *score->view()->rowOfNote(note);
        const QRect current = score->view()->rowRect(row);
        const QRect next = score->view()->rowRect(row + 1);
        const int top = scroll->verticalScrollBar()->value();
        const int height = scroll->viewport()->height();
        ASSERT_GE(current.top(), top) << "note " << note;
        ASSERT_LE(current.bottom(), top + height / 2) << "note " << note;
        ASSERT_LE(next.bottom(), top + height) << "note " << note;
    }
}

TEST_F(PracticePanelTest, ASongTooLongForTheScoreSaysSoAboveItWithoutAQtWarning)
{
    QtWarnings warnings;
    panel().scoreWindowItem()->trigger();
    ScoreWindow* score = panel().scoreWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(score));
    RecordingEvents events;
    for (std::size_t i = 0; i <= MaxScoreNotes; ++i) {
        events.append(test::eventOf(0.01f, 12 + i % 12));
        events.append(test::eventOf(0.01f, R));
    }
    setSong(std::move(events));
    window->recording().button(RecorderButton::Replay)->click();
    EXPECT_TRUE(score->cutNotice()->isVisible());
    EXPECT_EQ(score->cutNotice()->text(), QStringLiteral("曲谱太长，只显示前 %1 个音符。").arg(MaxScoreNotes));
    EXPECT_EQ(score->view()->score().noteCount, MaxScoreNotes);
    score->repaint();
    window->recording().button(RecorderButton::Stop)->click();

    setSong();
    window->recording().button(RecorderButton::Replay)->click();
    EXPECT_FALSE(score->cutNotice()->isVisible());
    EXPECT_TRUE(warnings.messages.isEmpty()) << warnings.text();
}

// Whatever score it is given, the view stays within the largest widget Qt
// allows: the rows past that are not drawn and take no highlight.
TEST(ScoreView, AScoreTallerThanAWidgetMayBeIsDrawnAsFarAsItGoes)
{
    QtWarnings warnings;
    ScoreView view;
    view.resize(ScoreView::widthForCells(1), 400);  // one bar a row
    // Chords of 40 keys a bar long: rows of 40 digits.
    const std::size_t notes = QWIDGETSIZE_MAX / (ScoreView::RowHeight + 39 * ScoreView::LevelStep) + 10;
    view.setScore(scoreOf(notes, 40, 4), {0.5, 1.0});
    EXPECT_TRUE(warnings.messages.isEmpty()) << warnings.text();
    EXPECT_LE(view.minimumHeight(), QWIDGETSIZE_MAX);
    ASSERT_FALSE(view.rows().empty());
    const std::size_t lastDrawn = view.rows().size() - 1;  // a note a row
    EXPECT_LT(lastDrawn, notes - 1);
    EXPECT_LE(view.noteRect(lastDrawn).bottom(), view.minimumHeight());
    view.setHighlight(lastDrawn);
    EXPECT_EQ(view.highlight(), lastDrawn);
    view.setHighlight(notes - 1);
    EXPECT_EQ(view.highlight(), std::nullopt);
    EXPECT_TRUE(view.noteRect(notes - 1).isEmpty());
}

// The two ways of practice exclude each other; the box of a pass offers its
// take, saved into the recordings folder and listed at once.
TEST_F(PracticePanelTest, TheBoxSavesThePassesTakeIntoTheListAtOnce)
{
    ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("录制")));
    setSong();
    panel().rhythmItem()->trigger();
    panel().practiceItem()->trigger();
    EXPECT_FALSE(panel().rhythmItem()->isChecked());
    EXPECT_EQ(panel().practice().mode(), PracticeMode::Wait);
    window->recording().button(RecorderButton::Replay)->click();

    QString saveCaption;
    test::NextModal box([&](QWidget& modal) {
        auto* save = modal.findChild<QPushButton*>(QStringLiteral("SaveTakeButton"));
        ASSERT_NE(save, nullptr);
        saveCaption = save->text();
        save->click();
    });
    type(Qt::Key_D);
    type(Qt::Key_F);
    ASSERT_TRUE(QTest::qWaitFor([&] { return box.seen() == 1; }, 30000));
    EXPECT_EQ(saveCaption, QStringLiteral("保存本次演奏(&S)"));
    const QStringList saved = QDir(folder.filePath(QStringLiteral("录制"))).entryList(QDir::Files);
    ASSERT_EQ(saved.size(), 1);
    EXPECT_TRUE(saved[0].startsWith(QStringLiteral("录音 练习 "))) << saved[0].toStdString();
    QStringList listed;
    for (QAction* item : window->recording().recordingsMenu()->actions())
        listed << item->text();
    EXPECT_EQ(listed, saved);
}

}  // namespace
}  // namespace kelodi
