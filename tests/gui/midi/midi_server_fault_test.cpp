// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <unistd.h>

#include "core/midi/midi_port.h"
#include "gui/app/main_window.h"
#include "gui/desktop/recording_shell.h"
#include "gui/midi/midi_menus.h"
#include "gui/midi/modal_helper.h"
#include "platform/jack_midi_dump.h"
#include "platform/midi/device_catalog.h"
#include "platform/midi/system_ports.h"
#include "platform/private_jack_server.h"

namespace kelodi {
namespace {

using test::JackMidiDump;
using test::NextModal;
using test::PrivateJackServer;

// Lets a stopped server go on after a while, so that a window that waits for
// it fails the test instead of hanging it.
class Watchdog {
public:
    Watchdog(PrivateJackServer& server, std::chrono::seconds after)
        : m_thread([this, &server, after] {
              std::unique_lock lock(m_mutex);
              if (!m_cancel.wait_for(lock, after, [this] { return m_cancelled; }))
                  server.resume();
          })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard lock(m_mutex);
            m_cancelled = true;
        }
        m_cancel.notify_one();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cancel;
    bool m_cancelled = false;
    std::thread m_thread;
};

// The main window on a JACK server of the test's own, with jack_midi_dump as
// the external device, while that server stops answering or dies.
class MidiServerFault : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const std::string why = test::startPrivateJackServer(m_server, "kelodi-guifault"); !why.empty())
            GTEST_SKIP() << why;
        m_dump.emplace("kgfd-" + std::to_string(::getpid()));  // short: menu items show 31 bytes
        ASSERT_TRUE(m_dump->waitForPort(*createSystemPorts()));

        MidiSetup setup;
        setup.audioFile = (m_folder.path() + QStringLiteral("/synth.wav")).toStdString();
        // A fresh server on a busy machine may refuse the first clients for a
        // moment; the list is asked again until the dump shows in it.
        const auto listed = [&] {
            for (int id = 0; id < m_devices->count(); ++id)
                if (m_devices->deviceName(id) == m_dump->port())
                    return true;
            return false;
        };
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (;; std::this_thread::sleep_for(std::chrono::milliseconds(200))) {
            m_devices = createMidiDeviceList(setup);
            if (listed() || std::chrono::steady_clock::now() >= deadline)
                break;
        }
        m_port.emplace(*m_devices);
        ASSERT_TRUE(m_port->open(MidiMapperId));
        MainWindowSetup windowSetup;
        windowSetup.port = &*m_port;
        windowSetup.shell = &m_shell;
        windowSetup.programFolder = m_folder.path();
        m_window.emplace(windowSetup);
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&*m_window));

        auto* menu = m_window->findChild<QMenu*>(QStringLiteral("DevicesMenu"));
        ASSERT_NE(menu, nullptr);
        m_menu = m_window->findChild<DeviceMenuQt*>();
        ASSERT_NE(m_menu, nullptr);
        for (QAction* action : menu->actions())
            if (action->text() == QString::fromStdString(m_dump->port()))
                m_dumpItem = action;
        ASSERT_NE(m_dumpItem, nullptr);
        m_mapperItem = menu->actions().front();

        // On a busy machine the dump port may miss its first open; the box
        // that says so is closed and the port asked again, so that a refusal
        // fails the test instead of holding it in a modal loop.
        QString refused;
        for (int attempt = 0; attempt < 10 && (attempt == 0 || !m_port->isOpen()); ++attempt) {
            NextModal box([&](QWidget& modal) {
                if (auto* message = qobject_cast<QMessageBox*>(&modal))
                    refused = message->text();
            });
            m_dumpItem->trigger();
        }
        ASSERT_TRUE(m_dumpItem->isChecked());
        ASSERT_TRUE(m_port->isOpen()) << refused.toStdString();
    }
    void TearDown() override
    {
        // A stopped server would hold everything that says goodbye to it.
        if (m_server)
            m_server->resume();
        m_window.reset();
        if (m_port)
            m_port->close();
        m_port.reset();
        m_devices.reset();
        m_dump.reset();
        m_server.reset();
    }

    // Runs `action` on the window's thread; how long it held the window.
    template <typename Action>
    static std::chrono::milliseconds held(Action action)
    {
        QElapsedTimer clock;
        clock.start();
        action();
        return std::chrono::milliseconds(clock.elapsed());
    }

    QTemporaryDir m_folder;
    test::RecordingShell m_shell;
    std::optional<PrivateJackServer> m_server;
    std::optional<JackMidiDump> m_dump;
    std::unique_ptr<MidiDeviceCatalog> m_devices;
    std::optional<MidiPort> m_port;
    std::optional<MainWindow> m_window;
    DeviceMenuQt* m_menu = nullptr;
    QAction* m_dumpItem = nullptr;
    QAction* m_mapperItem = nullptr;
};

// Each call to a stopped server gives up after 2 s; the limits leave room
// for a loaded machine.
constexpr std::chrono::seconds Bound(10);

TEST_F(MidiServerFault, AStoppedServerDoesNotFreezeTheWindow)
{
    m_server->stop();
    Watchdog watchdog(*m_server, std::chrono::seconds(30));

    // Away from the hung device: its close is given up, the switch goes on.
    EXPECT_LT(held([&] { m_mapperItem->trigger(); }), Bound);
    EXPECT_TRUE(m_mapperItem->isChecked());
    EXPECT_TRUE(m_port->isOpen());

    // Back to it: the open does not answer and counts as failed.
    QString text;
    NextModal box([&](QWidget& modal) { text = static_cast<QMessageBox&>(modal).text(); });
    EXPECT_LT(held([&] { m_dumpItem->trigger(); }), Bound);
    EXPECT_EQ(text, QStringLiteral("Unable To Open ") + m_dumpItem->text());
    EXPECT_TRUE(m_dumpItem->isChecked());
    EXPECT_FALSE(m_port->isOpen());
}

TEST_F(MidiServerFault, QuittingDoesNotWaitForAStoppedServer)
{
    m_server->stop();
    Watchdog watchdog(*m_server, std::chrono::seconds(30));
    EXPECT_LT(held([&] { m_window->close(); }), Bound);
    EXPECT_FALSE(m_port->isOpen());
    m_window->findChild<QTimer*>(QStringLiteral("EndTimer"))->stop();  // the test runner must not end here
}

TEST_F(MidiServerFault, AServerThatDiesIsReportedOnceAndKeysStayFast)
{
    QString text;
    NextModal box([&](QWidget& modal) { text = static_cast<QMessageBox&>(modal).text(); });
    m_server->kill();
    ASSERT_TRUE(QTest::qWaitFor([&] { return box.seen() > 0; }, 30000)) << "the loss was not reported";
    EXPECT_EQ(text, QStringLiteral("MIDI设备已断开，请在“MIDI设备”菜单中重新选择。"));
    EXPECT_TRUE(m_dumpItem->isChecked());
    EXPECT_FALSE(m_port->isOpen());

    // Once: looking again finds nothing new to say.
    m_menu->model().checkDevice();
    m_menu->model().checkDevice();
    EXPECT_EQ(box.seen(), 1);

    const auto pressed = held([&] {
        QTest::keyPress(m_window->windowHandle(), Qt::Key_W);
        QTest::keyRelease(m_window->windowHandle(), Qt::Key_W);
    });
    EXPECT_LT(pressed, std::chrono::milliseconds(2000));
}

}  // namespace
}  // namespace kelodi
