// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#endif

#include "gui/app/closed_menu_keys.h"
#include "gui/app/main_window_fixture.h"
#include "gui/keyboard/piano_key.h"
#include "gui/recording/recording_panel.h"

namespace kelodi {
namespace {

using Messages = std::vector<ShortMessage>;

// The note-ons of a key with the start chord (major seventh) at octave 0.
Messages chordOn(int key)
{
    return {noteOnMessage(0, 36 + key), noteOnMessage(0, 40 + key), noteOnMessage(0, 43 + key),
            noteOnMessage(0, 47 + key)};
}

Messages chordOff(int key)
{
    return {noteOffMessage(0, 36 + key), noteOffMessage(0, 40 + key), noteOffMessage(0, 43 + key),
            noteOffMessage(0, 47 + key)};
}

class AccessKeysTest : public test::MainWindowFixture {
protected:
    QMenu* menuTitled(const QString& title)
    {
        for (QAction* action : window->menuBar()->actions())
            if (action->text() == title)
                return action->menu();
        ADD_FAILURE() << "no menu " << title.toStdString();
        return nullptr;
    }

    // Keys go where the window system sends them: to the window, which hands
    // them to an open menu.
    void click(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(handle(), key, modifiers);
    }

    void tapAlt()
    {
        // As X11 reports it: the press carries the Alt modifier, the release not.
        QTest::keyPress(handle(), Qt::Key_Alt, Qt::AltModifier);
        QTest::keyRelease(handle(), Qt::Key_Alt, Qt::NoModifier);
    }

    // Holds a letter: its notes sound while it is down, no menu opens, and its
    // release stops them. The window system sends it to `to`, the main window
    // unless given.
    void expectPlays(Qt::Key letter, int key, QWindow* to = nullptr)
    {
        if (!to)
            to = handle();
        messages().clear();
        QTest::keyPress(to, letter);
        QCoreApplication::processEvents();  // whatever the press set going
        EXPECT_EQ(messages(), chordOn(key)) << "while held";
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "a menu opened";
        EXPECT_NE(QApplication::focusWidget(), window->menuBar());
        QTest::keyRelease(to, letter);
        Messages both = chordOn(key);
        const Messages off = chordOff(key);
        both.insert(both.end(), off.begin(), off.end());
        EXPECT_EQ(messages(), both) << "after the release";
    }

    void openWithMouse(const QString& title)
    {
        QMenuBar* bar = window->menuBar();
        QMenu* menu = menuTitled(title);
        ASSERT_NE(menu, nullptr);
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
        // The offscreen platform activates a popup shown by a click through a
        // queued event; let it arrive while the menu is open, as a person's
        // next key would.
        QCoreApplication::processEvents();
        EXPECT_EQ(QApplication::activePopupWidget(), menu);
    }

    // Alt with a letter still opens that letter's menu.
    void expectMenusStillOpen()
    {
        click(Qt::Key_H, Qt::AltModifier);
        EXPECT_EQ(QApplication::activePopupWidget(), menuTitled(QStringLiteral("帮助(&H)")));
        click(Qt::Key_Escape);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        expectPlays(Qt::Key_H, 17);
    }
};

// Each way of leaving a menu, then the letter that names a menu: it plays for
// as long as it is held, and the menus still open with Alt.

TEST_F(AccessKeysTest, AltTapLeavesTheLettersToTheKeys)
{
    tapAlt();
    expectPlays(Qt::Key_Q, 0);
    expectMenusStillOpen();
}

TEST_F(AccessKeysTest, ItemChosenFromTheKeyboardLeavesTheLettersToTheKeys)
{
    click(Qt::Key_D, Qt::AltModifier);
    EXPECT_EQ(QApplication::activePopupWidget(), menuTitled(QStringLiteral("MIDI设备(&D)")));
    click(Qt::Key_Return);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    expectPlays(Qt::Key_Q, 0);
    expectMenusStillOpen();
}

TEST_F(AccessKeysTest, MenuClosedWithEscapeLeavesTheLettersToTheKeys)
{
    click(Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(QApplication::activePopupWidget(), menuTitled(QStringLiteral("显示(&S)")));
    click(Qt::Key_Escape);
    click(Qt::Key_Escape);
    expectPlays(Qt::Key_S, 11);
    // One Escape is enough as well.
    click(Qt::Key_X, Qt::AltModifier);
    click(Qt::Key_Escape);
    expectPlays(Qt::Key_X, 38);
}

TEST_F(AccessKeysTest, MenuOpenedWithTheMouseLeavesTheLettersToTheKeys)
{
    openWithMouse(QStringLiteral("MIDI设备(&D)"));
    click(Qt::Key_Escape);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    expectPlays(Qt::Key_D, 12);
    expectMenusStillOpen();

    // A key clicked after such a menu plays, and so do the letters after it.
    openWithMouse(QStringLiteral("文件(&F)"));
    click(Qt::Key_Escape);
    messages().clear();
    QTest::mouseClick(window->key(7), Qt::LeftButton, {}, QPoint(15, 100));
    EXPECT_EQ(messages().size(), 8u);
    expectPlays(Qt::Key_F, 14);
    expectMenusStillOpen();
}

// Moving from one open menu to the next puts the keyboard focus on the menu
// bar for a moment; the letters must still play once the menus are closed.
TEST_F(AccessKeysTest, MenusLeftForTheNextOneLeaveTheLettersToTheKeys)
{
    QMenuBar* bar = window->menuBar();
    click(Qt::Key_F, Qt::AltModifier);
    click(Qt::Key_Right);
    EXPECT_EQ(QApplication::activePopupWidget(), menuTitled(QStringLiteral("MIDI设备(&D)")));
    click(Qt::Key_Escape);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_NE(QApplication::focusWidget(), bar) << "the menu bar kept the keyboard";
    expectPlays(Qt::Key_H, 17);
    expectPlays(Qt::Key_F, 14);

    // The pointer resting on the menu bar moves onto another title while a
    // menu is open; the open menu hands the move on to the bar.
    click(Qt::Key_S, Qt::AltModifier);
    QMenu* help = menuTitled(QStringLiteral("帮助(&H)"));
    const QPoint onHelp = bar->actionGeometry(help->menuAction()).center();
    QMouseEvent move(QEvent::MouseMove, onHelp, bar->mapToGlobal(onHelp), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &move);
    EXPECT_EQ(QApplication::activePopupWidget(), help);
    click(Qt::Key_Escape);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_NE(QApplication::focusWidget(), bar) << "the menu bar kept the keyboard";
    expectPlays(Qt::Key_H, 17);

    // Whatever else leaves the keyboard with the menu bar, the next key goes
    // to the keys.
    bar->setFocus(Qt::OtherFocusReason);
    expectPlays(Qt::Key_F, 14);
    expectMenusStillOpen();
}

// On a busy machine a menu closed by an early Escape may be reported to have
// taken the keyboard only after it closed, and the window system sends the
// next keys to the closed menu until it reports the keyboard back. They play
// as if the menu were not there, and Alt with a letter still opens a menu.
TEST_F(AccessKeysTest, KeysSentToAClosedMenuGoToTheKeys)
{
    QMenu* file = menuTitled(QStringLiteral("文件(&F)"));
    click(Qt::Key_F, Qt::AltModifier);
    ASSERT_EQ(QApplication::activePopupWidget(), file);
    click(Qt::Key_Escape);
    ASSERT_EQ(QApplication::activePopupWidget(), nullptr);
    QWindow* closed = file->windowHandle();
    ASSERT_NE(closed, nullptr);
    // Qt takes the late report for the activation of the closed menu.
    QApplication::setActiveWindow(file);
    // E is the closed menu's 退出(&E); D is the menu bar's MIDI设备(&D).
    expectPlays(Qt::Key_E, 4, closed);
    EXPECT_FALSE(window->isClosing()) << "E chose 退出";
    expectPlays(Qt::Key_D, 12, closed);
    QTest::keyClick(closed, Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(QApplication::activePopupWidget(), menuTitled(QStringLiteral("显示(&S)")));
    click(Qt::Key_Escape);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    expectPlays(Qt::Key_H, 17);

    // Keys for the main window meanwhile: Alt with a letter still opens its
    // menu, once Qt has made the closed menu the focus window as well.
    QApplication::setActiveWindow(file);
    emit qApp->focusWindowChanged(closed);
    click(Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(QApplication::activePopupWidget(), menuTitled(QStringLiteral("练习(&P)")));
    click(Qt::Key_Escape);
    expectPlays(Qt::Key_F, 14);
}

#if __has_include(<xcb/xcb.h>)
// Where Qt has already destroyed the closed menu's window, the X server's
// keys for it go to the main window; keys for a window Qt has pass unchanged.
TEST_F(AccessKeysTest, XKeysForADestroyedMenuWindowGoToTheMainWindow)
{
    ClosedMenuKeys keys(handle(), window->menuBar(), nullptr);
    QMenu* file = menuTitled(QStringLiteral("文件(&F)"));
    const auto fileWindow = static_cast<xcb_window_t>(file->winId());
    const auto mainWindow = static_cast<xcb_window_t>(handle()->winId());
    xcb_key_press_event_t press{};
    press.response_type = XCB_KEY_PRESS;
    press.detail = 41;  // F
    press.event = fileWindow;
    EXPECT_FALSE(keys.nativeEventFilter("xcb_generic_event_t", &press, nullptr));
    EXPECT_EQ(press.event, fileWindow);

    file->windowHandle()->destroy();
    xcb_key_release_event_t release = press;
    release.response_type = XCB_KEY_RELEASE;
    EXPECT_FALSE(keys.nativeEventFilter("xcb_generic_event_t", &press, nullptr));
    EXPECT_FALSE(keys.nativeEventFilter("xcb_generic_event_t", &release, nullptr));
    EXPECT_EQ(press.event, mainWindow);
    EXPECT_EQ(release.event, mainWindow);
    EXPECT_EQ(press.detail, 41);
}
#endif

// The button as it is drawn.
QImage drawn(QPushButton* button)
{
    QImage image(button->size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    button->render(&image);
    return image;
}

TEST_F(AccessKeysTest, ButtonsThatGaveTheirKeyToAMenuDrawNoUnderline)
{
    // A plain button of the same size and state beside the real one.
    auto drawnWithout = [](QPushButton* button, const QString& caption) {
        QPushButton plain(caption, button->parentWidget());
        plain.setGeometry(button->geometry());
        plain.setEnabled(button->isEnabled());
        return drawn(&plain);
    };
    RecordingPanel& recorder = window->recording();
    QPushButton* record = recorder.button(RecorderButton::StartRecording);
    QPushButton* playFile = recorder.button(RecorderButton::PlayFile);
    QPushButton* replay = recorder.button(RecorderButton::Replay);
    EXPECT_EQ(record->text(), QStringLiteral("录制开始(&S)"));
    EXPECT_EQ(drawn(record), drawnWithout(record, QStringLiteral("录制开始(S)")));
    EXPECT_EQ(playFile->text(), QStringLiteral("播放文件(&F)"));
    EXPECT_EQ(drawn(playFile), drawnWithout(playFile, QStringLiteral("播放文件(F)")));
    // A button that kept its access key shows it underlined.
    EXPECT_NE(drawn(replay), drawnWithout(replay, QStringLiteral("录制回放(O)")));
}

}  // namespace
}  // namespace kelodi
