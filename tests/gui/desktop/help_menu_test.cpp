// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

#include "core/desktop/desktop_texts.h"
#include "core/desktop/product_config.h"
#include "gui/desktop/help_menu.h"
#include "gui/desktop/recording_shell.h"
#include "gui/common/utf8.h"

namespace kelodi {
namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

struct BoxSeen {
    bool shown = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// Runs `action`, which opens a modal box, and reads and closes the box.
BoxSeen captureBox(const std::function<void()>& action)
{
    BoxSeen seen;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        seen = {true, box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
        box->accept();
    });
    action();
    return seen;
}

class HelpMenuTest : public ::testing::Test {
protected:
    QTemporaryDir folder;
    QWidget window;
    test::RecordingShell shell;
    // With the news items also in a build without the news window.
    HelpMenu menu{shell, folder.path(), &window, HelpMenu::News::With};

    QString optOutPath() const { return folder.filePath(QStringLiteral("v.sz")); }
};

TEST_F(HelpMenuTest, ItemsSeparatorsAndNumbersInMenuOrder)
{
    EXPECT_EQ(menu.menu()->title(), QStringLiteral("帮助(&H)"));
    QStringList seen;
    for (QAction* action : menu.menu()->actions())
        seen << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(seen, (QStringList{"功能介绍(&N)", "软件升级(&S)", "-", "禁止弹出新闻资讯(&X)", "-", "软件主页(&H)",
                                 "新闻资讯(&W)", "-", "联系方式(&L)", "关于...(&G)"}));
    EXPECT_EQ(menu.action(5)->text(), QStringLiteral("禁止弹出新闻资讯(&X)"));
    EXPECT_TRUE(menu.action(5)->isCheckable());
    EXPECT_TRUE(menu.action(9)->isSeparator());
    for (int unused : {2, 4, -1, 12})
        EXPECT_EQ(menu.action(unused), nullptr) << unused;
    menu.click(2);  // no item: nothing happens
    menu.click(3);  // a separator: nothing happens
    EXPECT_TRUE(shell.urls.isEmpty());
}

TEST_F(HelpMenuTest, WebItemsOpenTheHomePageAndNewsIsHandedOn)
{
    QSignalSpy news(&menu, &HelpMenu::newsRequested);
    menu.click(1);
    menu.action(7)->trigger();
    const QUrl home(fromUtf8(product::homePageAddress));
    EXPECT_EQ(shell.urls, (QList<QUrl>{home, home}));
    menu.click(8);
    EXPECT_EQ(news.count(), 1);
    EXPECT_EQ(shell.urls.size(), 2);
}

TEST_F(HelpMenuTest, OptOutReadAtSetUp)
{
    QSignalSpy changed(&menu, &HelpMenu::noNewsPopupChanged);
    menu.loadNoNewsPopup();  // no file
    EXPECT_FALSE(menu.noNewsPopup());

    writeFile(optOutPath(), "\r\n1.0\r\n");
    menu.loadNoNewsPopup();
    EXPECT_TRUE(menu.noNewsPopup());
    EXPECT_TRUE(menu.action(5)->isChecked());

    writeFile(optOutPath(), "  True\r\n");
    menu.loadNoNewsPopup();
    EXPECT_FALSE(menu.noNewsPopup());

    ASSERT_EQ(changed.count(), 3);
    EXPECT_EQ(changed.at(1).at(0).toBool(), true);
    EXPECT_EQ(changed.at(2).at(0).toBool(), false);

    // A "v.sz" that cannot be read as a file clears the choice.
    QFile::remove(optOutPath());
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("v.sz")));
    menu.action(5)->setChecked(true);
    menu.loadNoNewsPopup();
    EXPECT_FALSE(menu.noNewsPopup());
}

TEST_F(HelpMenuTest, TogglingTwiceLeavesFalseAndSurvivesARestart)
{
    QSignalSpy changed(&menu, &HelpMenu::noNewsPopupChanged);
    writeFile(optOutPath(), "False\r\nsome old second line that must go\r\n");
    menu.loadNoNewsPopup();

    menu.click(5);
    EXPECT_TRUE(menu.noNewsPopup());
    EXPECT_EQ(readFile(optOutPath()), QByteArray("True\r\n"));
    menu.click(5);
    EXPECT_FALSE(menu.noNewsPopup());
    EXPECT_EQ(readFile(optOutPath()), QByteArray("False\r\n"));
    ASSERT_EQ(changed.count(), 3);
    EXPECT_TRUE(changed.at(1).at(0).toBool());
    EXPECT_FALSE(changed.at(2).at(0).toBool());
    // Nothing but the setting is left in the folder (no temporary files).
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"v.sz"});

    QWidget otherWindow;
    HelpMenu restarted(shell, folder.path(), &otherWindow, HelpMenu::News::With);
    restarted.loadNoNewsPopup();
    EXPECT_FALSE(restarted.noNewsPopup());
}

// A build without the news window: no news items, no v.sz read or written,
// and the numbers of the news items (the tray menu runs 8) do nothing.
TEST_F(HelpMenuTest, WithoutNewsTheNewsItemsAndTheChoiceAreGone)
{
    writeFile(optOutPath(), "True\r\n");
    HelpMenu plain(shell, folder.path(), &window, HelpMenu::News::Without);
    QStringList seen;
    for (QAction* action : plain.menu()->actions())
        seen << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(seen, (QStringList{"功能介绍(&N)", "软件升级(&S)", "-", "软件主页(&H)", "-", "联系方式(&L)", "关于...(&G)"}));

    QSignalSpy news(&plain, &HelpMenu::newsRequested);
    QSignalSpy changed(&plain, &HelpMenu::noNewsPopupChanged);
    plain.loadNoNewsPopup();
    plain.click(5);
    plain.click(8);
    EXPECT_EQ(plain.action(5), nullptr);
    EXPECT_EQ(plain.action(8), nullptr);
    EXPECT_FALSE(plain.noNewsPopup());
    EXPECT_EQ(news.count(), 0);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(readFile(optOutPath()), QByteArray("True\r\n"));
}

TEST_F(HelpMenuTest, FailedWriteStillChangesTheCheckMarkAndIsReportedOnce)
{
    // A folder where the file should be: the file cannot be replaced.
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("v.sz")));
    QSignalSpy changed(&menu, &HelpMenu::noNewsPopupChanged);
    testing::internal::CaptureStderr();
    menu.click(5);
    EXPECT_TRUE(menu.noNewsPopup());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(QFileInfo(optOutPath()).isDir());
    menu.click(5);
    EXPECT_FALSE(menu.noNewsPopup());
    menu.click(5);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(menu.noNewsPopup());
    // Said once for the run, naming the file, however often the choice changes.
    const QString text = QString::fromStdString(said);
    EXPECT_EQ(text.count(QStringLiteral("cannot save")), 1) << said;
    EXPECT_TRUE(text.contains(optOutPath())) << said;
}

TEST_F(HelpMenuTest, HelpTextPathTravelsAsOneArgument)
{
    menu.click(0);
    ASSERT_EQ(shell.textFiles.size(), 1);
    EXPECT_EQ(shell.textFiles.at(0), folder.path() + QStringLiteral("/Kelodi说明.txt"));
    EXPECT_TRUE(shell.programs.isEmpty());

    struct Case {
        QString folder;
        QString path;
    };
    for (const Case& c : {Case{"/", "/Kelodi说明.txt"}, Case{"/opt/a b;c & d/", "/opt/a b;c & d/Kelodi说明.txt"},
                          Case{"/opt/Kelodi", "/opt/Kelodi/Kelodi说明.txt"}}) {
        test::RecordingShell other;
        QWidget w;
        HelpMenu m(other, c.folder, &w);
        m.click(0);
        EXPECT_EQ(other.textFiles, QStringList{c.path}) << c.folder.toStdString();
    }
}

TEST_F(HelpMenuTest, InformationBoxesShowTheirTextsWithTheExclamationIcon)
{
    const BoxSeen contact = captureBox([&] { menu.click(10); });
    ASSERT_TRUE(contact.shown);
    EXPECT_EQ(contact.title, QStringLiteral("联系方式..."));
    EXPECT_EQ(contact.text, fromUtf8(contactText()).replace('\r', '\n'));
    EXPECT_TRUE(contact.text.startsWith(QStringLiteral("\n  软件主页:\n    http")));
    EXPECT_EQ(contact.icon, QMessageBox::Warning);
    EXPECT_EQ(contact.buttons, QMessageBox::Ok);

    const BoxSeen about = captureBox([&] { menu.click(11); });
    ASSERT_TRUE(about.shown);
    EXPECT_EQ(about.title, QStringLiteral("关于Kelodi..."));
    EXPECT_TRUE(about.text.startsWith(QStringLiteral("  Kelodi\n\n  版本号: 7.90")));
    EXPECT_EQ(about.icon, QMessageBox::Warning);
    EXPECT_EQ(about.buttons, QMessageBox::Ok);
    EXPECT_TRUE(shell.urls.isEmpty());
}

}  // namespace
}  // namespace kelodi
