// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QRadioButton>
#include <QDir>
#include <QTimer>
#include <QTest>
#include <QToolButton>
#include <QWindow>

#include "core/fakes/reset_burst.h"
#include "gui/desktop/tray_icon.h"
#include "gui/midi/modal_helper.h"
#include "gui/recording/recording_panel.h"
#include "core/keyboard/instrument_panel.h"
#include "core/keyboard/key_map.h"
#include "gui/app/main_window_fixture.h"
#include "gui/keyboard/piano_key.h"
#include "gui/keyboard/spinner_widget.h"

namespace kelodi {
namespace {

using Messages = std::vector<ShortMessage>;

class MainWindowTest : public test::MainWindowFixture {
protected:
    template <class W>
    W* child(const char* name)
    {
        auto* w = window->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
};

TEST_F(MainWindowTest, StartsWithTheResetBurstThenTheStartInstrument)
{
    Messages expected = test::resetBurst();
    expected.push_back(programChangeMessage(0, 9));
    EXPECT_EQ(messages(), expected);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Kelodi 7.90"));
    EXPECT_EQ(child<QLabel>("InstrumentLabel")->text(), QStringLiteral("钟琴"));
    EXPECT_EQ(child<QLabel>("InstrumentHint")->text(), QStringLiteral("点击选择模拟乐器"));
}

TEST_F(MainWindowTest, KeysLieAtTheirPixelGeometry)
{
    EXPECT_EQ(window->centralWidget()->size(), QSize(745, 353));
    EXPECT_EQ(window->key(0)->geometry(), QRect(4, 92, 37, 194));
    EXPECT_EQ(window->key(2)->geometry(), QRect(32, 92, 37, 194));
    EXPECT_EQ(window->key(1)->geometry(), QRect(20, 92, 30, 118));
    EXPECT_EQ(window->key(43)->geometry(), QRect(4 + 28 * 25, 92, 37, 194));
    EXPECT_EQ(window->key(42)->geometry(), QRect(4 + 28 * 25 - 12, 92, 30, 118));
    // Each key shows only the part 5 pixels inside its geometry.
    EXPECT_EQ(window->key(0)->mask().boundingRect(), QRect(5, 5, 27, 184));
    EXPECT_EQ(window->key(1)->mask().boundingRect(), QRect(5, 5, 20, 108));
}

// The black bed under the keys shows through the one-pixel gaps between the
// white keys and one pixel around their visible part, and nowhere else.
TEST_F(MainWindowTest, TheKeyBedShowsThroughTheGapsAndAroundTheKeys)
{
    const QImage image = window->centralWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const auto black = [&](int x, int y) { return image.pixel(x, y) == qRgb(0, 0, 0); };
    const auto inWhiteFace = [](int x) {
        for (int left = 9; left <= 709; left += 28)
            if (x >= left && x < left + 27)
                return true;
        return false;
    };
    // A row below the black keys and above the captions, across the window.
    const int row = 230;
    for (int x = 0; x < image.width(); ++x)
        EXPECT_EQ(black(x, row), x >= 8 && x <= 736 && !inWhiteFace(x)) << "x " << x;
    // A column through the first key: the bed one pixel above and below it.
    for (int y = 0; y < 292; ++y)
        EXPECT_EQ(black(12, y), y == 96 || y == 281) << "y " << y;
}

TEST_F(MainWindowTest, ControlsStandAtTheirTwipPositions)
{
    EXPECT_EQ(child<QLabel>("ChannelLabel")->geometry(), QRect(12, 10, 112, 23));
    EXPECT_EQ(child<SpinnerWidget>("ChannelSpinner")->geometry(), QRect(104, 12, 20, 21));
    EXPECT_EQ(child<QLabel>("OctaveLabel")->geometry(), QRect(519, 8, 112, 23));
    EXPECT_EQ(child<QCheckBox>("SustainBox")->geometry(), QRect(388, 64, 55, 17));
    EXPECT_EQ(child<QRadioButton>("ChordOption")->geometry(), QRect(580, 64, 49, 17));
    EXPECT_EQ(child<QGroupBox>("LabelModesFrame")->geometry(), QRect(640, 4, 97, 77));
    EXPECT_EQ(child<QGroupBox>("BottomFrame")->geometry(), QRect(12, 292, 729, 89));
    EXPECT_EQ(child<QCheckBox>("RepeatReplayBox")->geometry(), QRect(264, 64, 113, 17));
}

TEST_F(MainWindowTest, LabelsShowTheStartValues)
{
    EXPECT_EQ(child<QLabel>("ChannelLabel")->text(), QStringLiteral(" 效果 01"));
    EXPECT_EQ(child<QLabel>("VolumeLabel")->text(), QStringLiteral(" 音量 100"));
    EXPECT_EQ(child<QLabel>("PanLabel")->text(), QStringLiteral(" 声道 00"));
    EXPECT_EQ(child<QLabel>("ReverbLabel")->text(), QStringLiteral(" 混响 000"));
    EXPECT_EQ(child<QLabel>("ChordLabel")->text(), QStringLiteral(" Major 7th"));
    EXPECT_EQ(child<QLabel>("OctaveLabel")->text(), QStringLiteral(" 八度音程 0"));
    EXPECT_TRUE(child<QRadioButton>("ChordOption")->isChecked());
}

TEST_F(MainWindowTest, ComputerKeysPlayThroughTheKeyPath)
{
    messages().clear();
    QTest::keyPress(handle(), Qt::Key_W);
    EXPECT_EQ(messages(), (Messages{0x00642690u, 0x00642A90u, 0x00642D90u, 0x00643190u}));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Kelodi 7.90  字符：W 琴键：D 简谱：低音2"));
    QTest::keyRelease(handle(), Qt::Key_W);
    EXPECT_EQ(messages().size(), 8u);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Kelodi 7.90  "));

    messages().clear();
    QTest::keyPress(handle(), Qt::Key_W, Qt::ShiftModifier);
    ASSERT_FALSE(messages().empty());
    EXPECT_EQ(messages().front(), noteOnMessage(0, 36 + 3));
    QTest::keyRelease(handle(), Qt::Key_W, Qt::ShiftModifier);

    messages().clear();
    QTest::keyPress(handle(), Qt::Key_Q);
    ASSERT_FALSE(messages().empty());
    EXPECT_EQ(messages().front(), noteOnMessage(0, 36));
    QTest::keyRelease(handle(), Qt::Key_Q);

    messages().clear();
    QTest::keyPress(handle(), Qt::Key_Space);
    EXPECT_TRUE(messages().empty());
    QTest::keyRelease(handle(), Qt::Key_Space);
}

TEST_F(MainWindowTest, AutoRepeatOfAHeldKeyStrikesOnce)
{
    messages().clear();
    QTest::keyPress(handle(), Qt::Key_D);
    // What the window system sends while a key is held: repeated presses, on
    // some systems with a release before each, all marked as repeats.
    for (int i = 0; i < 5; ++i) {
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_D, Qt::NoModifier, QStringLiteral("d"), true);
        QCoreApplication::sendEvent(handle(), &release);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_D, Qt::NoModifier, QStringLiteral("d"), true);
        QCoreApplication::sendEvent(handle(), &press);
    }
    QTest::keyRelease(handle(), Qt::Key_D);
    int ons = 0;
    int offs = 0;
    for (ShortMessage m : messages()) {
        ons += (statusByte(m) & 0xF0) == 0x90;
        offs += (statusByte(m) & 0xF0) == 0x80;
    }
    EXPECT_EQ(ons, 4);
    EXPECT_EQ(offs, 4);
}

TEST_F(MainWindowTest, OnlyTheLeftButtonPlaysAKey)
{
    messages().clear();
    QTest::mousePress(window->key(12), Qt::RightButton, {}, QPoint(15, 100));
    QTest::mouseRelease(window->key(12), Qt::RightButton, {}, QPoint(15, 100));
    EXPECT_TRUE(messages().empty());
    QTest::mousePress(window->key(12), Qt::LeftButton, {}, QPoint(15, 100));
    EXPECT_EQ(messages().size(), 4u);
    EXPECT_EQ(messages().front(), noteOnMessage(0, 48));
    EXPECT_EQ(window->key(12)->colour(), 255u);
    QTest::mouseRelease(window->key(12), Qt::LeftButton, {}, QPoint(15, 100));
    EXPECT_EQ(messages().size(), 8u);
    EXPECT_EQ(window->key(12)->colour(), 0xFFFFFFu);
}

TEST_F(MainWindowTest, SpinnerArrowsStepTheValue)
{
    auto* volume = child<SpinnerWidget>("VolumeSpinner");
    messages().clear();
    QTest::mouseClick(volume->upArrow(), Qt::LeftButton);
    EXPECT_EQ(child<QLabel>("VolumeLabel")->text(), QStringLiteral(" 音量 101"));
    EXPECT_EQ(messages(), Messages{controlChangeMessage(0, 7, 101)});
    QTest::mouseClick(volume->downArrow(), Qt::LeftButton);
    EXPECT_EQ(child<QLabel>("VolumeLabel")->text(), QStringLiteral(" 音量 100"));
}

TEST_F(MainWindowTest, ChangingChannelToNineHidesTheHint)
{
    auto* channel = child<SpinnerWidget>("ChannelSpinner");
    for (int i = 0; i < 9; ++i)
        QTest::mouseClick(channel->upArrow(), Qt::LeftButton);
    EXPECT_EQ(child<QLabel>("ChannelLabel")->text(), QStringLiteral(" 效果 10"));
    EXPECT_FALSE(child<QLabel>("InstrumentHint")->isVisible());
    EXPECT_EQ(child<QLabel>("InstrumentLabel")->text(), QStringLiteral("打击"));
}

TEST_F(MainWindowTest, ResizingNeverMovesTheKeys)
{
    const QSize before = window->size();
    window->resize(1200, 700);
    // The window system may apply the size later; the check below says what came of it.
    (void)QTest::qWaitFor([&] { return window->size() == QSize(1200, 700); }, 5000);
    EXPECT_EQ(window->size(), QSize(1200, 700)) << "was " << before.width() << "x" << before.height();
    EXPECT_EQ(window->key(0)->geometry(), QRect(4, 92, 37, 194));
    EXPECT_EQ(window->key(0)->mapTo(window.get(), QPoint(0, 0)).x(), 4);
}

TEST_F(MainWindowTest, MenuBarHoldsTheMenusInOrder)
{
    QStringList titles;
    for (QAction* action : window->menuBar()->actions())
        if (action->isVisible())
            titles << action->text();
    ASSERT_GE(titles.size(), 2);
    EXPECT_EQ(titles.front(), QStringLiteral("文件(&F)"));
}

TEST_F(MainWindowTest, InstrumentLabelOpensTheChooserAndSendsTheChoice)
{
    auto* label = child<QLabel>("InstrumentLabel");
    messages().clear();
    test::NextModal pickFlute([](QWidget& dialog) {
        auto* list = dialog.findChild<QListWidget*>(QStringLiteral("InstrumentList"));
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->currentRow(), 9);  // "钟琴" preselected by name
        list->setCurrentRow(73);
        dialog.findChild<QPushButton*>(QStringLiteral("OkButton"))->click();
    });
    QTest::mouseClick(label, Qt::LeftButton);
    EXPECT_EQ(pickFlute.seen(), 1);
    EXPECT_EQ(messages(), Messages{programChangeMessage(0, 73)});
    EXPECT_EQ(label->text(), QStringLiteral("长笛"));

    messages().clear();
    test::NextModal cancel([](QWidget& dialog) {
        dialog.findChild<QListWidget*>(QStringLiteral("InstrumentList"))->setCurrentRow(5);
        dialog.findChild<QPushButton*>(QStringLiteral("CancelButton"))->click();
    });
    QTest::mouseClick(label, Qt::LeftButton);
    EXPECT_EQ(cancel.seen(), 1);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(label->text(), QStringLiteral("长笛"));

    // The right button opens nothing.
    test::NextModal none([](QWidget&) {});
    QTest::mouseClick(label, Qt::RightButton);
    QTest::qWait(50);
    EXPECT_EQ(none.seen(), 0);
}

TEST_F(MainWindowTest, LabelModesFromMenuAndBoxesMirrorEachOther)
{
    auto* menuItem = window->findChild<QAction*>(QStringLiteral("JianpuMenuItem"));
    auto* box = child<QCheckBox>("JianpuBox");
    menuItem->trigger();
    EXPECT_TRUE(menuItem->isChecked());
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(window->key(0)->caption(), QStringLiteral("\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n1\r\n·\r\n"));
    EXPECT_TRUE(window->key(1)->caption().isEmpty());
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_FALSE(box->isChecked());
    EXPECT_FALSE(menuItem->isChecked());
    EXPECT_EQ(window->key(0)->caption(), QStringLiteral("\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n"));
}

TEST_F(MainWindowTest, ClosingResetsAndClosesThePortAndRefusesTheClose)
{
    // A note sounding when the window closes is stopped by the reset.
    QTest::keyPress(handle(), Qt::Key_W);
    devices.journal.clear();
    window->close();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isClosing());
    EXPECT_FALSE(port.isOpen());
    // The replay's stop releases every key first, then the port is reset and closed.
    int offs = 0;
    for (ShortMessage m : messages())
        offs += (statusByte(m) & 0xF0) == 0x80;
    EXPECT_EQ(offs, 4);
    ASSERT_GE(devices.journal.events.size(), 2u);
    EXPECT_EQ(devices.journal.events[devices.journal.events.size() - 2], "reset");
    EXPECT_EQ(devices.journal.events.back(), "close");
    auto* timerEnd = window->findChild<QTimer*>(QStringLiteral("EndTimer"));
    ASSERT_NE(timerEnd, nullptr);
    EXPECT_TRUE(timerEnd->isActive());
    EXPECT_EQ(timerEnd->interval(), 100);
    timerEnd->stop();  // the test runner must not end here
}

TEST_F(MainWindowTest, TrayExitEndsLikeTheFileMenu)
{
    window->tray().exitRequested();
    EXPECT_TRUE(window->isClosing());
    // The exit command lets events run for a tenth of a second first.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !port.isOpen(); }, 30000));
    window->findChild<QTimer*>(QStringLiteral("EndTimer"))->stop();
}

TEST_F(MainWindowTest, MinimisedFromMaximisedRestoresNormal)
{
    window->showMaximized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isMaximized(); }, 5000));
    EXPECT_EQ(window->restoreWindowState(), 2);
    window->showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isMinimized(); }, 5000));
    EXPECT_EQ(window->restoreWindowState(), 0);
}

TEST_F(MainWindowTest, RecorderButtonsFollowTheRecordingState)
{
    auto enabled = [this](RecorderButton which) { return window->recording().button(which)->isEnabled(); };
    EXPECT_TRUE(enabled(RecorderButton::StartRecording));
    EXPECT_FALSE(enabled(RecorderButton::EndRecording));
    EXPECT_FALSE(enabled(RecorderButton::Replay));
    EXPECT_FALSE(enabled(RecorderButton::Stop));
    EXPECT_FALSE(enabled(RecorderButton::Save));
    EXPECT_TRUE(enabled(RecorderButton::PlayFile));
    EXPECT_EQ(window->recording().button(RecorderButton::StartRecording)->geometry(), QRect(24, 4, 85, 25));
    EXPECT_EQ(window->recording().button(RecorderButton::PlayFile)->text(), QStringLiteral("播放文件(&F)"));
    // Its access key is the File menu's; the other buttons keep theirs.
    EXPECT_TRUE(window->recording().button(RecorderButton::PlayFile)->shortcut().isEmpty());
    EXPECT_EQ(window->recording().button(RecorderButton::Replay)->shortcut(), QKeySequence(Qt::ALT | Qt::Key_O));

    QTest::mouseClick(window->recording().button(RecorderButton::StartRecording), Qt::LeftButton);
    EXPECT_TRUE(enabled(RecorderButton::EndRecording));
    EXPECT_FALSE(enabled(RecorderButton::StartRecording));
    QTest::keyPress(handle(), Qt::Key_D);
    QTest::keyRelease(handle(), Qt::Key_D);
    QTest::mouseClick(window->recording().button(RecorderButton::EndRecording), Qt::LeftButton);
    EXPECT_TRUE(enabled(RecorderButton::Replay));
    EXPECT_TRUE(enabled(RecorderButton::Save));

    messages().clear();
    QTest::mouseClick(window->recording().button(RecorderButton::Replay), Qt::LeftButton);
    EXPECT_TRUE(enabled(RecorderButton::Stop));
    EXPECT_FALSE(enabled(RecorderButton::Replay));
    // The first event fires 0.1 s after the start.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages().empty(); }, 30000));
    EXPECT_EQ(messages().front(), noteOnMessage(0, 48));
    EXPECT_TRUE(QTest::qWaitFor([&] { return enabled(RecorderButton::Replay); }, 30000));
    EXPECT_FALSE(enabled(RecorderButton::Stop));
}

// A program folder with recordings beside the program.
class MainWindowWithRecordingsTest : public MainWindowTest {
protected:
    void prepareFolder() override
    {
        QDir(folder.path()).mkpath(QStringLiteral("录制"));
        for (const char* name : {"b.dzq", "A.DZQ", "a.dzq", "notes.txt"}) {
            QFile file(folder.path() + QStringLiteral("/录制/") + QString::fromUtf8(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("0.05,C|0.05,\xcc\xa7\xc6\xf0|\r\n");  // key 0, then release all
        }
    }
};

TEST_F(MainWindowWithRecordingsTest, ListsRecordingsSortedAndPlaysTheChosenOne)
{
    QMenu* menu = window->recording().recordingsMenu();
    QStringList captions;
    for (QAction* item : menu->actions())
        captions << item->text();
    EXPECT_EQ(captions, (QStringList{QStringLiteral("A.DZQ"), QStringLiteral("a.dzq"), QStringLiteral("b.dzq")}));
    EXPECT_TRUE(menu->actions()[0]->isChecked());

    messages().clear();
    menu->actions()[2]->trigger();
    EXPECT_TRUE(menu->actions()[2]->isChecked());
    EXPECT_FALSE(menu->actions()[0]->isChecked());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages().empty(); }, 30000));
    EXPECT_EQ(messages().front(), noteOnMessage(0, 36));
}

}  // namespace
}  // namespace kelodi
