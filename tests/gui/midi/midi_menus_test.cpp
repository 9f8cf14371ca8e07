// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/midi/midi_menus.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include "core/fakes/recording_midi.h"
#include "core/midi/midi_port.h"
#include "gui/midi/modal_helper.h"

namespace kelodi {
namespace {

struct BoxSeen {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

test::NextModal recordBox(BoxSeen& seen)
{
    return test::NextModal([&seen](QWidget& modal) {
        if (auto* box = qobject_cast<QMessageBox*>(&modal)) {
            seen.title = box->windowTitle();
            seen.text = box->text();
            seen.icon = box->icon();
        }
    });
}

class NamedDevices : public test::RecordingDeviceList {
public:
    NamedDevices() : RecordingDeviceList(2) {}
    MidiDeviceCaps caps(int id) const override
    {
        MidiDeviceCaps caps = RecordingDeviceList::caps(id);
        if (id == 1)
            caps.productName = "Synth & Co";
        return caps;
    }
};

class DeviceMenuQtTest : public ::testing::Test {
protected:
    DeviceMenuQtTest()
    {
        port.open(MidiMapperId);
        devices.journal.clear();
    }

    QStringList visibleItems() const
    {
        QStringList texts;
        for (QAction* action : menu.actions())
            texts << (action->isSeparator() ? QStringLiteral("--") : action->text());
        return texts;
    }
    QList<int> ticked() const
    {
        QList<int> indices;
        for (int i = 0; i < 3; ++i)
            if (qtMenu.item(i)->isChecked())
                indices << i;
        return indices;
    }

    NamedDevices devices;
    MidiPort port{devices};
    QWidget window;
    QMenu menu;
    DeviceMenuQt qtMenu{&menu, port, [this](int channel) { port.sendProgramChange(channel, channel); },
                        &window};
};

TEST_F(DeviceMenuQtTest, ItemsThenSeparatorThenInformationWithTheMapperTicked)
{
    EXPECT_EQ(visibleItems(), (QStringList{"MIDI映射表(&Y)", "Test Port 0", "Synth && Co", "--",
                                           "设备信息(&S)"}));
    EXPECT_EQ(ticked(), QList<int>{0});
}

TEST_F(DeviceMenuQtTest, ChoosingAnItemSwitchesThePortAndMovesTheTick)
{
    qtMenu.item(2)->trigger();
    EXPECT_EQ(ticked(), QList<int>{2});
    EXPECT_EQ(devices.journal.events, (std::vector<std::string>{"reset", "close", "open 1"}));
    ASSERT_EQ(devices.journal.messages.size(), 16u);
    EXPECT_EQ(devices.journal.messages[15], 0x00000FCFu);  // CF 0F 00 00

    // Triggering the ticked item again must not untick it.
    qtMenu.item(2)->trigger();
    EXPECT_EQ(ticked(), QList<int>{2});
    EXPECT_EQ(devices.journal.messages.size(), 32u);
}

TEST_F(DeviceMenuQtTest, RefusingDeviceIsReportedInACriticalBox)
{
    devices.refusingId = 1;
    BoxSeen seen;
    auto box = recordBox(seen);
    qtMenu.item(2)->trigger();

    EXPECT_EQ(box.seen(), 1);
    EXPECT_EQ(seen.title, QStringLiteral("Tinsyn - Error"));
    EXPECT_EQ(seen.text, QStringLiteral("Unable To Open Synth & Co"));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(ticked(), QList<int>{2});
}

TEST_F(DeviceMenuQtTest, InformationShowsTheTickedDevice)
{
    qtMenu.item(1)->trigger();
    QString deviceId;
    QString name;
    test::NextModal dialog([&](QWidget& modal) {
        deviceId = modal.findChild<QLabel*>(QStringLiteral("DeviceIdValue"))->text();
        name = modal.findChild<QLabel*>(QStringLiteral("ProductNameValue"))->text();
    });
    qtMenu.deviceInfoAction()->trigger();
    EXPECT_EQ(dialog.seen(), 1);
    EXPECT_EQ(deviceId, QStringLiteral("0"));
    EXPECT_EQ(name, QStringLiteral("Test Port 0"));
}

TEST(MixerCommand, MissingProgramShowsTheWarningBox)
{
    for (const QString& program : {QString(), QStringLiteral("/nonexistent/kelodi-no-mixer")}) {
        BoxSeen seen;
        auto box = recordBox(seen);
        EXPECT_FALSE(runMixerCommand(nullptr, program));
        EXPECT_EQ(box.seen(), 1);
        EXPECT_EQ(seen.title, QStringLiteral("Tinsyn - Error"));
        EXPECT_EQ(seen.text, QStringLiteral("Unable to load SndVol32.exe"));
        EXPECT_EQ(seen.icon, QMessageBox::Warning);
    }
}

#ifdef Q_OS_UNIX
TEST(MixerCommand, StartsTheProgramDetached)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString marker = dir.filePath(QStringLiteral("started"));
    const QString script = dir.filePath(QStringLiteral("mixer"));
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("#!/bin/sh\ntouch '%1'\n").arg(marker).toUtf8());
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QMenu menu;
    QAction* item = addMixerCommand(&menu, nullptr, script);
    EXPECT_EQ(item->text(), QStringLiteral("打开系统音量(&D)"));
    item->trigger();

    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(marker) && waited.elapsed() < 5000)
        QTest::qWait(20);
    EXPECT_TRUE(QFile::exists(marker));
}
#endif

}  // namespace
}  // namespace kelodi
