// SPDX-License-Identifier: GPL-3.0-or-later
// The window's ways of opening a file, given something that is no regular
// file: a pipe nobody writes to (an open would wait for ever), an endless
// device, a link that leads to itself, a folder. Each is refused at once with
// the window's message; the events in memory stay and nothing plays.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFileDialog>
#include <QMessageBox>

#include <filesystem>
#include <optional>

#include <sys/stat.h>

#include "core/recording/recording_controller.h"
#include "gui/app/main_window_fixture.h"
#include "gui/midi/modal_helper.h"
#include "gui/recording/recording_panel.h"
#include "gui/recording/song_files_menu.h"

namespace kelodi {
namespace {

namespace fs = std::filesystem;

// Answers the open dialog of 导入 MIDI 文件 with one file and keeps what the
// command said; any save dialog or part chooser is cancelled and counted.
class OpenOnly : public SongFilesDialogs {
public:
    QString saveFileName(const QString&, const QString&, const QString&, const QString&) override
    {
        ++saves;
        return {};
    }
    QString openFileName(const QString&, const QString&) override { return answer; }
    void showMessage(const QString& text) override { messages << text; }
    bool choosePart(PartChooser&) override
    {
        ++saves;
        return false;
    }
    AfterImport askAfterImport(const QString&) override { return AfterImport::Close; }

    QString answer;
    QStringList messages;
    int saves = 0;
};

class UnusualFiles : public test::MainWindowFixture {
protected:
    void prepareFolder() override
    {
        const fs::path here = folder.path().toStdString();
        ASSERT_EQ(::mkfifo((here / "pipe.dzq").c_str(), 0644), 0);
        fs::create_symlink("/dev/zero", here / "zero.dzq");
        fs::create_symlink("loop-b.dzq", here / "loop-a.dzq");
        fs::create_symlink("loop-a.dzq", here / "loop-b.dzq");
        fs::create_directory(here / "folder.dzq");
    }
    QString file(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }
    RecordingController& controller() { return window->recording().controller(); }

    // Plays a short recording and stops it, so that there are events to keep.
    void playSomething()
    {
        RecordingEvents events;
        events.append(KeyEvent::press(0.01f, 3));
        events.append(KeyEvent::releaseAll(0.01f));
        controller().setEvents(events);
        kept = controller().events();
    }
    void expectNothingChanged()
    {
        EXPECT_FALSE(controller().isPlaying());
        EXPECT_TRUE(controller().events() == kept);
    }

    RecordingEvents kept;
};

// The dialog of 播放文件 shows what it may open; a pipe or a device chosen
// there is refused. (A folder opens in the dialog; a link that leads nowhere
// cannot be chosen.) A recording chosen from the list takes the same way.
TEST_F(UnusualFiles, PlayFileRefusesAPipeOrADeviceChosenInItsDialog)
{
    playSomething();
    auto* button = window->findChild<QAbstractButton*>(QStringLiteral("PlayFileButton"));
    ASSERT_NE(button, nullptr);
    for (const char* name : {"pipe.dzq", "zero.dzq"}) {
        SCOPED_TRACE(name);
        QString shown;
        std::optional<test::NextModal> message;
        // The message comes once the dialog is gone.
        test::NextModal dialog([&](QWidget& modal) {
            auto* chooser = qobject_cast<QFileDialog*>(&modal);
            ASSERT_NE(chooser, nullptr);
            chooser->selectFile(file(name));
            message.emplace([&shown](QWidget& box) {
                if (auto* text = qobject_cast<QMessageBox*>(&box))
                    shown = text->text();
            });
            static_cast<QDialog*>(chooser)->accept();  // as its Open button does
        });
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(dialog.seen(), 1);
        ASSERT_TRUE(message);
        EXPECT_EQ(message->seen(), 1);
        EXPECT_EQ(shown, QStringLiteral("文件无法读取！"));
        expectNothingChanged();
    }
}

TEST_F(UnusualFiles, MidiImportRefusesWhatIsNoRegularFile)
{
    playSomething();
    OpenOnly dialogs;
    window->songFiles().setDialogs(&dialogs);
    for (const char* name : {"pipe.dzq", "zero.dzq", "loop-a.dzq", "folder.dzq"}) {
        SCOPED_TRACE(name);
        dialogs.answer = file(name);
        dialogs.messages.clear();
        window->songFiles().importMidiAction()->trigger();
        EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("MIDI文件无法读取！")});
        EXPECT_EQ(dialogs.saves, 0);
        expectNothingChanged();
    }
    window->songFiles().setDialogs(nullptr);
}

}  // namespace
}  // namespace kelodi
