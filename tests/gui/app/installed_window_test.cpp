// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QTest>

#include "gui/app/data_folders.h"
#include "gui/app/main_window_fixture.h"
#include "gui/desktop/help_menu.h"
#include "gui/midi/modal_helper.h"
#include "gui/recording/recording_panel.h"

namespace kelodi {
namespace {

void writeFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

// The window of an installed program: the recordings and v.sz in the user's
// data folder, the help text in the shared data folder, none of them beside
// the program.
class InstalledWindowTest : public test::MainWindowFixture {
protected:
    QString user() const { return folder.filePath(QStringLiteral("home/kelodi")); }
    QString shared() const { return folder.filePath(QStringLiteral("share/kelodi")); }

    void prepareFolder() override
    {
        writeFile(user() + QStringLiteral("/录制/mine.dzq"), "0.05,C|0.05,抬起|\r\n");
        writeFile(folder.filePath(QStringLiteral("bin/录制/beside.dzq")), "0.05,C|\r\n");
    }
    void prepareSetup(MainWindowSetup& setup) override
    {
        setup.programFolder = folder.filePath(QStringLiteral("bin"));
        setup.places = chooseDataPlaces({toPath(setup.programFolder), false, false, toPath(user()), toPath(shared())});
    }
};

TEST_F(InstalledWindowTest, ListsSavesAndReadsWhereTheDataPlacesSay)
{
    QMenu* menu = window->recording().recordingsMenu();
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("mine.dzq"));

    window->helpMenu().click(0);
    EXPECT_EQ(shell.textFiles, QStringList{shared() + QStringLiteral("/Kelodi说明.txt")});

    if (!NewsBuilt)
        return;  // no news choice to keep
    window->helpMenu().click(5);
    EXPECT_TRUE(QFile::exists(user() + QStringLiteral("/v.sz")));
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("bin/v.sz"))));
}

// `kelodi FILE.dzq`: the score plays once the window is up.
class StartFileTest : public test::MainWindowFixture {
protected:
    QString score() const { return folder.filePath(QStringLiteral("曲子 1.dzq")); }
    void prepareFolder() override { writeFile(score(), "0.05,C|0.05,抬起|\r\n"); }
    void prepareSetup(MainWindowSetup& setup) override { setup.startFile = score(); }
};

TEST_F(StartFileTest, PlaysTheScoreGivenAtStart)
{
    // The start-up burst and the start instrument come first, then the score.
    EXPECT_TRUE(QTest::qWaitFor([this] {
        return std::find(messages().begin(), messages().end(), noteOnMessage(0, 36)) != messages().end();
    }, 5000)) << "the score did not play";
}

class MissingStartFileTest : public test::MainWindowFixture {
protected:
    void prepareSetup(MainWindowSetup& setup) override
    {
        setup.startFile = folder.filePath(QStringLiteral("gone.dzq"));
        box = std::make_unique<test::NextModal>([this](QWidget& modal) {
            if (auto* message = qobject_cast<QMessageBox*>(&modal))
                text = message->text();
        });
    }
    std::unique_ptr<test::NextModal> box;
    QString text;
};

TEST_F(MissingStartFileTest, SaysTheFileIsMissingAndPlaysNothing)
{
    ASSERT_TRUE(QTest::qWaitFor([this] { return box->seen() > 0; }, 30000)) << "no message";
    EXPECT_EQ(text, QStringLiteral("播放的文件不存在！"));
    EXPECT_EQ(std::count_if(messages().begin(), messages().end(),
                            [](ShortMessage m) { return (m & 0xF0) == 0x90; }),
              0);
}

}  // namespace
}  // namespace kelodi
