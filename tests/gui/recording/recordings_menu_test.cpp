// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QTest>

#include <filesystem>
#include <fstream>

#include "core/text/utf8.h"
#include "gui/app/main_window_fixture.h"
#include "gui/midi/modal_helper.h"
#include "gui/recording/recording_panel.h"

namespace kelodi {
namespace {

namespace fs = std::filesystem;

// A 录制 folder holding a recording whose name was copied from a Chinese
// Windows system: "茉莉花.dzq" in GBK bytes, which are not UTF-8.
class GbkRecordingNameTest : public test::MainWindowFixture {
protected:
    void prepareFolder() override
    {
        const fs::path recordings = pathFromUtf8(folder.path().toStdString()) / pathFromUtf8("录制");
        fs::create_directories(recordings);
        std::ofstream file(recordings / "\xDC\xD4\xC0\xF2\xBB\xA8.dzq", std::ios::binary);
        file << "0.05,C|0.05,\xcc\xa7\xc6\xf0|\r\n";  // key 0, then release all
        ASSERT_TRUE(file.good());
    }
};

TEST_F(GbkRecordingNameTest, ReadsAsChineseAndPlaysFromItsOwnBytes)
{
    QMenu* menu = window->recording().recordingsMenu();
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("茉莉花.dzq"));

    messages().clear();
    test::NextModal missingFile([](QWidget&) {});  // "播放的文件不存在！" would stop here
    menu->actions()[0]->trigger();
    EXPECT_TRUE(QTest::qWaitFor([this] { return !messages().empty(); }, 30000)) << "the file did not play";
    ASSERT_FALSE(messages().empty());
    EXPECT_EQ(messages().front(), noteOnMessage(0, 36));
    EXPECT_EQ(missingFile.seen(), 0);
}

}  // namespace
}  // namespace kelodi
