// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/keyboard/input_guard_qt.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

namespace kelodi {
namespace {

#ifndef Q_OS_WIN

TEST(QtInputLanguagePlatform, ComingToTheFrontTakesInputMethodsAwayFromTheWholeWindow)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* edit = new QLineEdit(&window);
    auto* spin = new QSpinBox(&window);
    layout->addWidget(edit);
    layout->addWidget(spin);
    QLineEdit elsewhere;  // another window keeps its input method
    ASSERT_TRUE(edit->testAttribute(Qt::WA_InputMethodEnabled));

    InputGuardTimer timer2(&window);
    EXPECT_EQ(timer2.timer()->interval(), 1000);
    EXPECT_TRUE(timer2.timer()->isActive());

    timer2.guard().tick();  // in the background: nothing yet
    EXPECT_TRUE(edit->testAttribute(Qt::WA_InputMethodEnabled));

    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    timer2.guard().tick();

    EXPECT_FALSE(window.testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_FALSE(edit->testAttribute(Qt::WA_InputMethodEnabled));
    for (QWidget* child : spin->findChildren<QWidget*>())
        EXPECT_FALSE(child->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_TRUE(elsewhere.testAttribute(Qt::WA_InputMethodEnabled));
}

TEST(QtInputLanguagePlatform, OffersOnePlainLayoutThatMeansInputMethodOff)
{
    QWidget window;
    QtInputLanguagePlatform platform(&window);
    const auto layouts = platform.keyboardLayouts();
    ASSERT_EQ(layouts.size(), 1u);
    EXPECT_FALSE(platform.isInputMethod(layouts.front()));
    EXPECT_FALSE(platform.isMainWindowForeground());
}

#endif

}  // namespace
}  // namespace kelodi
