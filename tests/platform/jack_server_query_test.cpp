// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <string>
#include <thread>

#include <jack/jack.h>

#include "platform/midi/system_ports.h"
#include "platform/private_jack_server.h"
#include "platform/jack_midi_dump.h"

namespace kelodi {
namespace {

using namespace std::chrono_literals;

// A JACK client of the test's own that counts the clients of Kelodi's that
// register with the server (the watcher, the query client, RtMidi's).
class ClientRegistrations {
public:
    ClientRegistrations()
    {
        m_client = jack_client_open("test-registrations", JackNoStartServer, nullptr);
        if (!m_client)
            return;
        jack_set_client_registration_callback(m_client, &ClientRegistrations::seen, this);
        if (jack_activate(m_client) != 0) {
            jack_client_close(m_client);
            m_client = nullptr;
        }
    }
    ~ClientRegistrations()
    {
        if (m_client)
            jack_client_close(m_client);
    }
    ClientRegistrations(const ClientRegistrations&) = delete;
    ClientRegistrations& operator=(const ClientRegistrations&) = delete;

    bool listening() const { return m_client != nullptr; }

    // Kelodi's registrations so far, once every notice sent before this call
    // has arrived: the server notifies in order, so a client opened now is
    // heard of after them.
    int ours()
    {
        const int before = m_markers.load();
        jack_client_t* marker = jack_client_open("test-marker", JackNoStartServer, nullptr);
        if (!marker)
            return -1;
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (m_markers.load() == before && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        jack_client_close(marker);
        return m_markers.load() == before ? -1 : m_ours.load();
    }

private:
    static void seen(const char* name, int registered, void* arg)
    {
        auto* self = static_cast<ClientRegistrations*>(arg);
        std::string client(name);
        for (char& c : client)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (!registered)
            return;
        if (client.rfind("kelodi", 0) == 0)
            ++self->m_ours;
        else if (client.rfind("test-marker", 0) == 0)
            ++self->m_markers;
    }

    jack_client_t* m_client = nullptr;
    std::atomic<int> m_ours{0};
    std::atomic<int> m_markers{0};
};

class JackServerQuery : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A server of the test's own: other tests that run at once register
        // clients on the shared one, and this one is killed.
        if (const std::string why = test::startPrivateJackServer(m_server, "kelodi-query"); !why.empty())
            GTEST_SKIP() << why;
        m_ports = createSystemPorts();
    }

    bool listed(const std::string& port) const
    {
        for (const SystemPortInfo& info : m_ports->list())
            if (info.name == port)
                return true;
        return false;
    }

    std::optional<test::PrivateJackServer> m_server;
    std::unique_ptr<SystemPorts> m_ports;
};

// Listing the devices asks the server what it offers. Every client that
// opens is announced to every other client of the server, and an activated
// one joins the process graph: asking again and again must bring no new
// client of ours each time.
TEST_F(JackServerQuery, ListingAgainAndAgainBringsNoNewClientOfOursEachTime)
{
    ClientRegistrations registrations;
    ASSERT_TRUE(registrations.listening());
    test::JackMidiDump dump("kqd-" + std::to_string(::getpid()));
    ASSERT_TRUE(dump.waitForPort(*m_ports));

    constexpr int Listings = 10;
    for (int i = 0; i < Listings; ++i)
        EXPECT_TRUE(listed(dump.port()));
    const int ours = registrations.ours();
    ASSERT_GE(ours, 0) << "the server's notices did not arrive";
    EXPECT_LE(ours, 1);
}

// The client that answers is kept; once its server is gone it must not
// answer from what it saw last, and a server started again under the same
// name is asked afresh.
TEST_F(JackServerQuery, AServerThatGoesAndComesBackIsAskedAfresh)
{
    test::JackMidiDump before("kqa-" + std::to_string(::getpid()));
    ASSERT_TRUE(before.waitForPort(*m_ports));

    m_server->kill();
    EXPECT_TRUE(before.waitForPort(*m_ports, false)) << "ports of a dead server are still listed";

    ASSERT_TRUE(m_server->restart());
    test::JackMidiDump after("kqb-" + std::to_string(::getpid()));
    EXPECT_TRUE(after.waitForPort(*m_ports)) << "the new server's ports are not listed";
    EXPECT_FALSE(listed(before.port()));
}

}  // namespace
}  // namespace kelodi
