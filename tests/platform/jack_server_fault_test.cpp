// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <optional>
#include <thread>

#include "core/midi/midi_port.h"
#include "platform/jack_midi_dump.h"
#include "platform/midi/device_catalog.h"
#include "platform/midi/jack_watch.h"
#include "platform/midi/system_ports.h"
#include "platform/private_jack_server.h"

namespace kelodi {
namespace {

using namespace std::chrono_literals;
using test::JackMidiDump;
using test::PrivateJackServer;

// A JACK server that stops answering (SIGSTOP) or dies (SIGKILL) under an
// open port. The bound on how long a caller may be held is 2 s per call;
// the assertions leave room for a loaded machine.
class JackServerFault : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const std::string why = test::startPrivateJackServer(m_server, "kelodi-fault"); !why.empty())
            GTEST_SKIP() << why;
        m_ports = createSystemPorts();
        m_dumpName = "kelodi-fault-dump-" + std::to_string(::getpid());
        m_dump.emplace(m_dumpName);
        ASSERT_TRUE(m_dump->waitForPort(*m_ports)) << "jack_midi_dump did not start";
        MidiSetup setup;
        setup.soundFont = "/nonexistent.sf2";  // system ports only
        // A fresh server on a busy machine may refuse the first clients for a
        // moment; the list is asked again until the dump shows in it.
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        for (;; std::this_thread::sleep_for(200ms)) {
            m_devices = createMidiDeviceList(setup);
            for (int id = 0; id < m_devices->count(); ++id)
                if (m_devices->deviceName(id) == m_dump->port())
                    m_dumpId = id;
            if (m_dumpId >= 0 || std::chrono::steady_clock::now() >= deadline)
                break;
        }
        ASSERT_GE(m_dumpId, 0);
    }
    void TearDown() override
    {
        m_devices.reset();
        m_dump.reset();
        m_ports.reset();
        m_server.reset();
    }

    // Runs `call` on a thread and gives the time it took, or nothing when it
    // is still running after `limit`: the server is then let go on, so that
    // the call can end and the test report instead of hanging.
    template <typename Call>
    std::optional<std::chrono::milliseconds> timed(Call call, std::chrono::seconds limit = 20s)
    {
        const auto start = std::chrono::steady_clock::now();
        std::packaged_task<void()> task(std::move(call));
        std::future<void> done = task.get_future();
        std::thread thread(std::move(task));
        const bool inTime = done.wait_for(limit) == std::future_status::ready;
        if (!inTime)
            m_server->resume();
        thread.join();
        if (!inTime)
            return std::nullopt;
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    }

    std::optional<PrivateJackServer> m_server;
    std::unique_ptr<SystemPorts> m_ports;
    std::string m_dumpName;
    std::optional<JackMidiDump> m_dump;
    std::unique_ptr<MidiDeviceCatalog> m_devices;
    int m_dumpId = -1;
};

TEST_F(JackServerFault, AStoppedServerHoldsClosingAndOpeningOnlyABoundedTime)
{
    MidiPort port(*m_devices);
    ASSERT_TRUE(test::openPatiently([&] { return port.open(m_dumpId); }));
    port.sendNoteOn(0, 60);
    ASSERT_EQ(m_dump->events(1).size(), 1u);

    m_server->stop();
    const auto closing = timed([&] {
        port.reset();
        port.close();
    });
    ASSERT_TRUE(closing) << "closing waited for the stopped server";
    EXPECT_LT(*closing, 10s);

    bool opened = true;
    const auto opening = timed([&] { opened = port.open(m_dumpId); });
    ASSERT_TRUE(opening) << "opening waited for the stopped server";
    EXPECT_LT(*opening, 10s);
    EXPECT_FALSE(opened) << "a port that did not answer counts as failed";

    // Once the server runs again the device opens and plays as before. The
    // server may drop clients that missed their cycles while it stood still,
    // jack_midi_dump among them: a fresh one listens under the same name.
    m_server->resume();
    m_dump.reset();
    m_dump.emplace(m_dumpName);
    ASSERT_TRUE(m_dump->waitForPort(*m_ports));
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (!port.open(m_dumpId) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(100ms);
    ASSERT_TRUE(port.isOpen());
    port.sendProgramChange(5, 9);
    const std::vector<int> expected{0xC5, 9};
    std::vector<std::vector<int>> received;
    for (int i = 0; i < 200 && (received.empty() || received.back() != expected); ++i) {
        std::this_thread::sleep_for(25ms);
        received = m_dump->events(0);
    }
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.back(), expected);
}

TEST_F(JackServerFault, AServerThatDiesIsNoticedAndNothingWaitsForIt)
{
    std::unique_ptr<MidiOut> out = test::openPatiently([&] { return m_devices->open(m_dumpId); });
    ASSERT_TRUE(out);
    out->send(noteOnMessage(0, 60));
    EXPECT_FALSE(out->disconnected());

    m_server->kill();
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (!out->disconnected() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(out->disconnected()) << "the server's death went unnoticed";

    // The next JACK client the process opens (here, a watcher for the next
    // port) makes libjack free every client it still holds: the port's must
    // not be called afterwards, not even to close it.
    EXPECT_EQ(JackWatch::acquire(), nullptr);

    // A chord's worth of key presses, and the close, return at once.
    const auto playing = timed([&] {
        for (int i = 0; i < 200; ++i)
            out->send(noteOnMessage(0, 40 + i % 40));
        out->reset();
        out->close();
        out.reset();
    });
    ASSERT_TRUE(playing);
    EXPECT_LT(*playing, 2s);
    // A close left to the background would still be running now.
    std::this_thread::sleep_for(1500ms);
}

}  // namespace
}  // namespace kelodi
