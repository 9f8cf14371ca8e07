// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <unistd.h>

#include "core/midi/midi_port.h"
#include "gui/app/main_window.h"
#include "gui/midi/real_devices_window.h"
#include "platform/jack_midi_dump.h"
#include "platform/midi/device_catalog.h"
#include "platform/midi/jack_watch.h"
#include "platform/midi/system_ports.h"

namespace kelodi {
namespace {

using test::JackMidiDump;
using test::wireBytes;
using Bytes = std::vector<std::vector<int>>;

// The port names of the system that start with `prefix`, once there are
// `count` of them.
std::vector<std::string> portsStartingWith(SystemPorts& ports, const std::string& prefix, std::size_t count)
{
    std::vector<std::string> names;
    for (int i = 0; i < 100; ++i) {
        names.clear();
        for (const SystemPortInfo& info : ports.list())
            if (info.name.rfind(prefix, 0) == 0)
                names.push_back(info.name);
        if (names.size() >= count)
            break;
        QTest::qWait(50);
    }
    return names;
}

Bytes channelRestore()
{
    Bytes bytes;
    const int programs[16] = {9, 1, 24, 34, 48, 50, 52, 61, 80, 0, 85, 89, 91, 97, 101, 102};
    for (int c = 0; c < 16; ++c) {
        bytes.push_back(wireBytes(programChangeMessage(c, programs[c])));
        for (auto [controller, value] : {std::pair{7, 100}, {10, 64}, {91, 0}, {93, 0}, {1, 0}, {64, 0}})
            bytes.push_back(wireBytes(controlChangeMessage(c, controller, value)));
    }
    return bytes;
}

Bytes chordOf(int root)
{
    Bytes bytes;
    for (int step : {0, 4, 7, 11})
        bytes.push_back(wireBytes(noteOnMessage(0, root + step)));
    for (int step : {0, 4, 7, 11})
        bytes.push_back(wireBytes(noteOffMessage(0, root + step)));
    return bytes;
}

// What a port that is switched away from gets: every channel's pedal lifted
// and its notes stopped.
Bytes silencing()
{
    Bytes bytes;
    for (int c = 0; c < 16; ++c) {
        bytes.push_back(wireBytes(controlChangeMessage(c, Controller::Sustain, 0)));
        bytes.push_back(wireBytes(controlChangeMessage(c, 123, 0)));
    }
    return bytes;
}

Bytes joined(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Two devices whose names agree in every character the device menu shows
// (it shows the first 31 bytes, as the Windows device list does): each menu
// item still leads to its own device, and nothing reaches the other one.
TEST(JackSameName, EachOfTwoLikeNamedDevicesGetsWhatIsPlayedOnIt)
{
    std::unique_ptr<SystemPorts> ports = createSystemPorts();
    if (ports->apiName() != "JACK")
        GTEST_SKIP() << "system ports use " << ports->apiName() << ", not JACK";
    if (!JackWatch::acquire())
        GTEST_SKIP() << "no JACK server runs (scripts/run-tests starts one)";

    // Both dumps ask for one client name; the server renames the second.
    const std::string client = "kelodi-twin-device-" + std::to_string(::getpid()) + "-with-a-long-name";
    JackMidiDump first(client, client + "-a");
    ASSERT_TRUE(first.waitForPort(*ports));
    JackMidiDump second(client, client + "-b");
    const std::vector<std::string> names = portsStartingWith(*ports, client, 2);
    ASSERT_EQ(names.size(), 2u);

    test::RealDevicesWindow shown;
    ASSERT_TRUE(shown.show());
    const std::unique_ptr<MidiDeviceCatalog>& devices = shown.devices;
    MainWindow& window = *shown.window;

    // A refused device shows a modal error box; close it and fail instead of
    // waiting on it.
    QStringList errors;
    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            const auto* box = qobject_cast<QMessageBox*>(modal);
            errors << (box ? box->text() : modal->windowTitle());
            modal->close();
        }
    });
    watchdog.start(50);

    // The two menu items, and the dump behind each.
    auto* menu = window.findChild<QMenu*>(QStringLiteral("DevicesMenu"));
    ASSERT_NE(menu, nullptr);
    std::vector<QAction*> items;
    std::vector<const JackMidiDump*> dumps;
    for (QAction* action : menu->actions()) {
        const QString name = action->objectName();
        const QString prefix = QStringLiteral("DeviceItem_");
        if (!name.startsWith(prefix))
            continue;
        const std::string device = devices->deviceName(name.mid(prefix.size()).toInt() - 1);
        if (device.rfind(client, 0) == 0) {
            items.push_back(action);
            dumps.push_back(device == first.port() ? &first : &second);
        }
    }
    ASSERT_EQ(items.size(), 2u);
    ASSERT_NE(dumps[0], dumps[1]);
    ASSERT_EQ(items[0]->text(), items[1]->text()) << "the menu should show one name twice";

    // Opening a JACK port waits a bounded time for the connection to carry
    // data; on a heavily loaded machine that can run out, and the player
    // would simply choose the item again.
    const auto choose = [&](QAction* item) {
        for (int attempt = 0; attempt < 10; ++attempt) {
            const auto before = errors.size();
            item->trigger();  // an error box is closed inside, by the watchdog
            if (errors.size() == before)
                return true;
        }
        return false;
    };
    ASSERT_TRUE(choose(items[1])) << errors.join(QStringLiteral(", ")).toStdString();
    QTest::keyClick(window.windowHandle(), Qt::Key_W);
    ASSERT_TRUE(choose(items[0])) << errors.join(QStringLiteral(", ")).toStdString();
    QTest::keyClick(window.windowHandle(), Qt::Key_E);
    window.close();
    window.findChild<QTimer*>(QStringLiteral("EndTimer"))->stop();

    // The second item's device heard W and was silenced when the first item
    // was chosen; the first item's device heard E only, and the shutdown.
    const Bytes toSecondItem = joined({channelRestore(), chordOf(38), silencing()});
    const Bytes toFirstItem = joined({channelRestore(), chordOf(40), silencing()});
    EXPECT_EQ(dumps[1]->events(toSecondItem.size()), toSecondItem);
    EXPECT_EQ(dumps[0]->events(toFirstItem.size()), toFirstItem);
}

}  // namespace
}  // namespace kelodi
