// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>

#include "core/fakes/recording_midi.h"
#include "core/recording/dzq_format.h"
#include "core/recording/recording_controller.h"
#include "gui/app/main_window.h"
#include "gui/desktop/recording_shell.h"
#include "gui/midi/modal_helper.h"
#include "gui/recording/recording_panel.h"

namespace kelodi {
namespace {

// A recording in the list that is too large, or that is no longer a file
// that can be read, is refused with a message; the check mark stays with the
// recording played before and so do its events.
TEST(RefusedRecording, TooLargeOrUnreadableKeepsTheCheckMarkAndTheEvents)
{
    QTemporaryDir folder;
    const QString recordings = folder.path() + QStringLiteral("/录制/");
    QDir().mkpath(recordings);
    for (const char* name : {"a.dzq", "big.dzq", "c.dzq"}) {
        QFile file(recordings + QString::fromUtf8(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("0.05,C|0.05,\xcc\xa7\xc6\xf0|\r\n");
    }
    ASSERT_TRUE(QFile::resize(recordings + QStringLiteral("big.dzq"), MaxRecordingFileBytes + 1));

    test::RecordingDeviceList devices;
    MidiPort port(devices);
    port.open(MidiMapperId);
    test::RecordingShell shell;
    MainWindowSetup setup;
    setup.port = &port;
    setup.shell = &shell;
    setup.programFolder = folder.path();
    MainWindow window(setup);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    QMenu* menu = window.recording().recordingsMenu();
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 3);
    RecordingController& controller = window.recording().controller();
    items[2]->trigger();  // c.dzq plays
    controller.click(RecorderButton::Stop);
    const RecordingEvents played = controller.events();
    ASSERT_EQ(played.size(), 2u);

    const auto refused = [&](int index) {
        QString shown;
        test::NextModal box([&shown](QWidget& modal) {
            if (auto* message = qobject_cast<QMessageBox*>(&modal))
                shown = message->text();
        });
        items[index]->trigger();
        EXPECT_EQ(box.seen(), 1);
        EXPECT_TRUE(items[2]->isChecked()) << "check mark moved to " << index;
        EXPECT_FALSE(items[index]->isChecked());
        EXPECT_TRUE(controller.events() == played);
        EXPECT_FALSE(controller.isPlaying());
        return shown;
    };
    EXPECT_EQ(refused(1), QStringLiteral("文件太大，无法播放！"));

    // a.dzq became a folder after the list was read.
    ASSERT_TRUE(QFile::remove(recordings + QStringLiteral("a.dzq")));
    ASSERT_TRUE(QDir().mkdir(recordings + QStringLiteral("a.dzq")));
    EXPECT_EQ(refused(0), QStringLiteral("文件无法读取！"));
}

}  // namespace
}  // namespace kelodi
