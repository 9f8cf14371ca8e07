// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QWindow>

#include <unistd.h>

#include "core/midi/midi_port.h"
#include "gui/app/main_window.h"
#include "gui/midi/real_devices_window.h"
#include "gui/midi/modal_helper.h"
#include "platform/jack_midi_dump.h"
#include "platform/midi/device_catalog.h"
#include "platform/midi/jack_watch.h"
#include "platform/midi/system_ports.h"

namespace kelodi {
namespace {

using test::JackMidiDump;
using test::wireBytes;

// The whole road to an external device: jack_midi_dump is listed in the
// device menu, choosing it restores the 16 channels on it, and keys typed on
// the main window then reach it, byte for byte.
TEST(JackDeviceSwitch, ChosenJackPortGetsTheChannelsAndThenTheTypedKeys)
{
    std::unique_ptr<SystemPorts> ports = createSystemPorts();
    if (ports->apiName() != "JACK")
        GTEST_SKIP() << "system ports use " << ports->apiName() << ", not JACK";
    if (!JackWatch::acquire())
        GTEST_SKIP() << "no JACK server runs (scripts/run-tests starts one)";

    JackMidiDump dump("kdump-" + std::to_string(::getpid()));
    ASSERT_TRUE(dump.waitForPort(*ports));

    test::RealDevicesWindow shown;
    ASSERT_TRUE(shown.show());
    MidiPort& port = shown.port;
    MainWindow& window = *shown.window;

    auto* menu = window.findChild<QMenu*>(QStringLiteral("DevicesMenu"));
    ASSERT_NE(menu, nullptr);
    QAction* item = nullptr;
    QStringList listed;
    for (QAction* action : menu->actions()) {
        listed << action->text();
        if (action->text() == QString::fromStdString(dump.port()))
            item = action;
    }
    ASSERT_NE(item, nullptr) << "device menu: " << listed.join(QStringLiteral(", ")).toStdString();
    EXPECT_EQ(listed.front(), QStringLiteral("MIDI映射表(&Y)"));

    // A refused open (a busy machine may miss the first) is asked again; its
    // box is closed so that a refusal fails the test instead of holding it.
    QString refused;
    for (int attempt = 0; attempt < 10 && (attempt == 0 || !port.isOpen()); ++attempt) {
        test::NextModal box([&](QWidget& modal) {
            if (auto* message = qobject_cast<QMessageBox*>(&modal))
                refused = message->text();
        });
        item->trigger();
    }
    EXPECT_TRUE(item->isChecked());
    ASSERT_TRUE(port.isOpen()) << refused.toStdString();
    QTest::keyPress(window.windowHandle(), Qt::Key_W);
    QTest::keyRelease(window.windowHandle(), Qt::Key_W);

    std::vector<std::vector<int>> expected;
    const int programs[16] = {9, 1, 24, 34, 48, 50, 52, 61, 80, 0, 85, 89, 91, 97, 101, 102};
    for (int c = 0; c < 16; ++c) {
        expected.push_back(wireBytes(programChangeMessage(c, programs[c])));
        for (auto [controller, value] : {std::pair{7, 100}, {10, 64}, {91, 0}, {93, 0}, {1, 0}, {64, 0}})
            expected.push_back(wireBytes(controlChangeMessage(c, controller, value)));
    }
    for (int note : {38, 42, 45, 49})
        expected.push_back(wireBytes(noteOnMessage(0, note)));
    for (int note : {38, 42, 45, 49})
        expected.push_back(wireBytes(noteOffMessage(0, note)));

    const std::vector<std::vector<int>> received = dump.events(expected.size());
    ASSERT_GE(received.size(), expected.size());
    EXPECT_EQ(std::vector<std::vector<int>>(received.begin(), received.begin() + static_cast<long>(expected.size())),
              expected);
    port.reset();
    port.close();
}

}  // namespace
}  // namespace kelodi
