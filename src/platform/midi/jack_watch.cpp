// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/midi/jack_watch.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include <jack/jack.h>

namespace kelodi {

struct JackWatch::Impl {
    jack_client_t* client = nullptr;
    std::uint64_t generation = 0;
    std::atomic<std::uint64_t> cycles{0};
    std::atomic<std::uint64_t> losses{0};
    std::atomic<bool> alive{true};

    // The server is running and the client is still ours to call.
    bool usable() const { return alive.load() && generation == jackClientGeneration(); }
};

namespace {

std::atomic<std::uint64_t> g_generation{0};
std::atomic<bool> g_quiet{false};

// libjack reports through this function when it frees the clients of a
// server that died (the words are jackd2's), along with its ordinary errors.
void libraryError(const char* message)
{
    if (std::strstr(message, "clients are still allocated"))
        g_generation.fetch_add(1);
    if (!g_quiet.load())
        std::fprintf(stderr, "%s\n", message);
}

int countCycle(jack_nframes_t, void* arg)
{
    static_cast<JackWatch::Impl*>(arg)->cycles.fetch_add(1, std::memory_order_release);
    return 0;
}

void portRegistered(jack_port_id_t, int registered, void* arg)
{
    if (!registered)
        static_cast<JackWatch::Impl*>(arg)->losses.fetch_add(1);
}

void portConnected(jack_port_id_t, jack_port_id_t, int connected, void* arg)
{
    if (!connected)
        static_cast<JackWatch::Impl*>(arg)->losses.fetch_add(1);
}

void serverGone(void* arg)
{
    static_cast<JackWatch::Impl*>(arg)->alive.store(false);
}

// The process's watcher while anyone holds it (guarded by the library lock;
// never destroyed, as a call abandoned at exit may still come here).
std::weak_ptr<JackWatch>& currentWatch()
{
    static auto* watch = new std::weak_ptr<JackWatch>;
    return *watch;
}

// The names in a list libjack allocated (nullptr for none), which is freed.
std::vector<std::string> takeNames(const char** list)
{
    std::vector<std::string> names;
    if (!list)
        return names;
    for (const char** p = list; *p; ++p)
        names.emplace_back(*p);
    jack_free(list);
    return names;
}

// libjack picks the default server by this variable each time a client opens.
std::string defaultServerName()
{
    const char* name = std::getenv("JACK_DEFAULT_SERVER");
    return name ? name : "";
}

// The client that answers questions about the default server (see
// serverRunning). It is replaced when its server has gone away or another
// server became the default.
class ServerQuery {
public:
    // Runs ask(client) with the client held; nullopt when no server answers.
    template <typename Ask>
    auto ask(Ask ask) -> std::optional<decltype(ask(static_cast<jack_client_t*>(nullptr)))>
    {
        const auto library = jackLibraryLock();
        const std::string server = defaultServerName();
        const bool freed = m_generation != jackClientGeneration();
        if (m_client && (m_gone.load() || freed || server != m_server)) {
            // A client whose server died, or that libjack freed, is let go
            // without a call (see jackLibraryLock).
            if (!m_gone.load() && !freed)
                jack_client_close(m_client);
            m_client = nullptr;
        }
        if (!m_client) {
            m_gone.store(false);
            m_client = jack_client_open("kelodi-query", JackNoStartServer, nullptr);
            if (!m_client)
                return std::nullopt;
            m_generation = jackClientGeneration();
            m_server = server;
            jack_on_shutdown(m_client, serverGone, this);
        }
        return ask(m_client);
    }

    // Kept to the end of the process and never closed there: closing waits
    // for the server's answer, and a stopped server would hold the exit.
    static ServerQuery& instance()
    {
        static auto* query = new ServerQuery;
        return *query;
    }

private:
    static void serverGone(void* arg) { static_cast<ServerQuery*>(arg)->m_gone.store(true); }

    jack_client_t* m_client = nullptr;
    std::uint64_t m_generation = 0;
    std::string m_server;
    std::atomic<bool> m_gone{false};
};

}  // namespace

namespace {

// libjack's errors come to libraryError from the start: the function is set
// when the program loads, before any client can be opened.
[[maybe_unused]] const bool g_errorFunctionSet = [] {
    jack_set_error_function(libraryError);
    return true;
}();

}  // namespace

std::uint64_t jackClientGeneration()
{
    return g_generation.load();
}

std::shared_ptr<JackWatch> JackWatch::acquire()
{
    const auto library = jackLibraryLock();
    if (auto alive = currentWatch().lock()) {
        if (alive->m_impl->usable())
            return alive;
    }
    auto impl = std::make_unique<Impl>();
    impl->client = jack_client_open("kelodi-watch", JackNoStartServer, nullptr);
    if (!impl->client)
        return nullptr;
    impl->generation = jackClientGeneration();
    jack_set_process_callback(impl->client, countCycle, impl.get());
    jack_set_port_registration_callback(impl->client, portRegistered, impl.get());
    jack_set_port_connect_callback(impl->client, portConnected, impl.get());
    jack_on_shutdown(impl->client, serverGone, impl.get());
    if (jack_activate(impl->client) != 0) {
        jack_client_close(impl->client);
        return nullptr;
    }
    std::shared_ptr<JackWatch> watch(new JackWatch(std::move(impl)));
    currentWatch() = watch;
    return watch;
}

bool JackWatch::serverRunning()
{
    return ServerQuery::instance().ask([](jack_client_t*) { return true; }).has_value();
}

bool JackWatch::supported()
{
    return true;
}

std::optional<std::vector<std::string>> JackWatch::midiDestinations()
{
    return ServerQuery::instance().ask([](jack_client_t* client) {
        // The graph is read from memory shared with the server: no request
        // is sent, and a stopped server does not hold the answer.
        return takeNames(jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput));
    });
}

std::optional<std::vector<std::string>> JackWatch::midiSources()
{
    return ServerQuery::instance().ask([](jack_client_t* client) {
        return takeNames(jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput));
    });
}

void JackWatch::quietLibraryMessages()
{
    // Not under the library lock: a call stuck on a stopped server may hold
    // it, and this is called on the way to every device list.
    g_quiet.store(true);
    jack_set_info_function([](const char*) {});
}

JackWatch::JackWatch(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

JackWatch::~JackWatch()
{
    const auto library = jackLibraryLock();
    if (!m_impl->usable()) {
        // Its callbacks may still hold the state they were given.
        keepForGood(std::move(m_impl));
        return;
    }
    jack_deactivate(m_impl->client);
    jack_client_close(m_impl->client);
}

std::vector<std::string> JackWatch::connections(const std::string& port) const
{
    const auto library = jackLibraryLock();
    if (!m_impl->usable())
        return {};
    jack_port_t* handle = jack_port_by_name(m_impl->client, port.c_str());
    if (!handle)
        return {};
    return takeNames(jack_port_get_all_connections(m_impl->client, handle));
}

std::optional<bool> JackWatch::connectedNow(const std::string& source, const std::string& destination) const
{
    auto library = jackLibraryLock(std::try_to_lock);
    if (!library.owns_lock())
        return std::nullopt;
    if (!m_impl->usable())
        return false;
    jack_port_t* handle = jack_port_by_name(m_impl->client, destination.c_str());
    if (!handle)
        return false;
    const std::vector<std::string> sources = takeNames(jack_port_get_all_connections(m_impl->client, handle));
    return std::find(sources.begin(), sources.end(), source) != sources.end();
}

std::uint64_t JackWatch::graphLosses() const
{
    return m_impl->losses.load();
}

std::uint64_t JackWatch::cycles() const
{
    return m_impl->cycles.load(std::memory_order_acquire);
}

bool JackWatch::serverAlive() const
{
    return m_impl->usable();
}

bool JackWatch::waitForCycle(std::uint64_t target, std::chrono::milliseconds timeout) const
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (cycles() < target) {
        if (!m_impl->usable() || std::chrono::steady_clock::now() >= deadline)
            return false;
        // A cycle is a few milliseconds; polling keeps the process callback
        // free of anything but one atomic increment.
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return true;
}

}  // namespace kelodi
