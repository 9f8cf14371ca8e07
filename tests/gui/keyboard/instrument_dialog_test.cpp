// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/keyboard/instrument_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace kelodi {
namespace {

// Runs `act` on the chooser once its modal loop is running, then returns what
// choose() gave back.
InstrumentChoice chooseWith(const QString& current, std::function<void(InstrumentDialog&)> act)
{
    bool acted = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<InstrumentDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        acted = true;
        act(*dialog);
    });
    const InstrumentChoice choice = InstrumentDialog::choose(nullptr, current);
    EXPECT_TRUE(acted) << "the chooser did not run modally";
    return choice;
}

QPushButton* button(InstrumentDialog& dialog, const char* name)
{
    return dialog.findChild<QPushButton*>(QString::fromLatin1(name));
}

void doubleClickRow(InstrumentDialog& dialog, int row)
{
    QListWidget* list = dialog.list();
    list->scrollToItem(list->item(row));
    const QPoint centre = list->visualItemRect(list->item(row)).center();
    // A real double click: press, release, then the double-click event.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
}

TEST(InstrumentDialog, ListsTheNamesByProgramAndPreselectsByExactName)
{
    struct Case {
        const char* current;
        int selectedRow;
    };
    const Case cases[] = {
        {"尼龙弦吉他", 24}, {"钟琴", 9}, {"枪声", 127}, {"大钢琴", 0},
        {"打击", -1}, {"电贝司", -1}, {"合成唱音", -1}, {"", -1},
        {"长笛 ", -1},   // a trailing blank is another name
        {"agogo", -1},  // so is another case
        {"Agogo", 113},
    };
    for (const Case& c : cases) {
        InstrumentDialog dialog(QString::fromUtf8(c.current));
        ASSERT_EQ(dialog.list()->count(), 128);
        const QList<QListWidgetItem*> selected = dialog.list()->selectedItems();
        if (c.selectedRow < 0) {
            EXPECT_TRUE(selected.isEmpty()) << c.current;
        } else {
            ASSERT_EQ(selected.size(), 1) << c.current;
            EXPECT_EQ(dialog.list()->row(selected.front()), c.selectedRow) << c.current;
        }
    }
    InstrumentDialog dialog(QString{});
    EXPECT_EQ(dialog.list()->item(73)->text(), QStringLiteral("长笛"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("选择模拟乐器"));
    EXPECT_EQ(dialog.size(), QSize(567, 305));
}

TEST(InstrumentDialog, OkTakesTheSelectedEntryAndItsPosition)
{
    const InstrumentChoice kept = chooseWith(QStringLiteral("尼龙弦吉他"), [](InstrumentDialog& d) {
        button(d, "OkButton")->click();
    });
    EXPECT_EQ(kept.name, QStringLiteral("尼龙弦吉他"));
    EXPECT_EQ(kept.program, 24);

    const InstrumentChoice moved = chooseWith(QStringLiteral("钟琴"), [](InstrumentDialog& d) {
        d.list()->setCurrentRow(73);
        QTest::mouseClick(button(d, "OkButton"), Qt::LeftButton);
    });
    EXPECT_EQ(moved.name, QStringLiteral("长笛"));
    EXPECT_EQ(moved.program, 73);
}

TEST(InstrumentDialog, OkWithNothingSelectedChoosesNothing)
{
    const InstrumentChoice choice = chooseWith(QStringLiteral("电贝司"), [](InstrumentDialog& d) {
        d.list()->setFocus();  // focus alone must not select an entry
        button(d, "OkButton")->click();
    });
    EXPECT_TRUE(choice.name.isEmpty());
    EXPECT_EQ(choice.program, -1);
}

TEST(InstrumentDialog, DoubleClickChoosesTheEntryClicked)
{
    const InstrumentChoice choice = chooseWith(QStringLiteral("钟琴"), [](InstrumentDialog& d) {
        doubleClickRow(d, 73);
    });
    EXPECT_EQ(choice.name, QStringLiteral("长笛"));
    EXPECT_EQ(choice.program, 73);
}

TEST(InstrumentDialog, CancelEscapeAndTheCloseBoxChooseNothing)
{
    const std::function<void(InstrumentDialog&)> ways[] = {
        [](InstrumentDialog& d) { button(d, "CancelButton")->click(); },
        [](InstrumentDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); },
        [](InstrumentDialog& d) { d.close(); },  // the window's close box
    };
    for (const auto& way : ways) {
        const InstrumentChoice choice = chooseWith(QStringLiteral("钟琴"), [&](InstrumentDialog& d) {
            d.list()->setCurrentRow(73);  // moving the selection first changes nothing
            way(d);
        });
        EXPECT_TRUE(choice.name.isEmpty());
        EXPECT_EQ(choice.program, -1);
    }
}

}  // namespace
}  // namespace kelodi
