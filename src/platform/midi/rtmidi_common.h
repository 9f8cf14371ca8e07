// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <concepts>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include <rtmidi/RtMidi.h>

#include "platform/midi/jack_watch.h"

// What the RtMidi output and input backends share.
namespace kelodi::rtmidi {

// What Kelodi's clients are called in the ALSA or JACK graph.
inline constexpr const char* ClientName = "Kelodi";

// Listing, opening and closing call the server, and a stopped one never
// answers. The caller (the window, at the end) waits this long at most; a
// call that has not returned by then goes on in the background and the port
// counts as failed (see callWithin).
inline constexpr std::chrono::milliseconds ServerCallLimit(2000);

// Whether an error RtMidi reports is an ordinary state rather than news: its
// debugging notes, and the JACK backend finding no server (the server may
// stop between asking whether it runs and the call).
inline bool expectedRtMidiError(RtMidiError::Type type, const std::string& message)
{
    return type == RtMidiError::DEBUG_WARNING
           || (type == RtMidiError::WARNING && message.find("JACK server not running") != std::string::npos);
}

// Without a callback RtMidi throws from any call that fails, sendMessage
// included. Failures are handled where they matter instead (a port that is
// not open afterwards, a connection that never appears); what RtMidi says
// about them goes to stderr for whoever diagnoses the machine.
inline void reportRtMidiError(RtMidiError::Type type, const std::string& message, void*)
{
    if (!expectedRtMidiError(type, message))
        std::fprintf(stderr, "rtmidi: %s\n", message.c_str());
}

// RtMidi's ALSA backend reports a missing sequencer on stderr before it
// throws; a machine without the device file has none.
inline bool alsaSequencerPresent()
{
    std::error_code error;
    return std::filesystem::exists("/dev/snd/seq", error);
}

inline bool compiled(RtMidi::Api api)
{
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    return std::find(apis.begin(), apis.end(), api) != apis.end();
}

// The name of the MIDI layer an API stands for, as the device lists report it.
inline std::string apiName(RtMidi::Api api)
{
    switch (api) {
    case RtMidi::LINUX_ALSA: return "ALSA";
    case RtMidi::UNIX_JACK: return "JACK";
    case RtMidi::MACOSX_CORE: return "CoreMIDI";
    default: return {};
    }
}

// The MIDI layer to use: the ALSA sequencer where the machine has one and
// `alsaClientWorks()` can make a client of it; JACK otherwise. Inputs and
// outputs use the same one, and only one, so a port never shows up twice.
RtMidi::Api chooseApi(const std::function<bool()>& alsaClientWorks);

// An RtMidi client, RtMidiOut or RtMidiIn. RtMidi's JACK backend calls its
// JACK client when it is made, lists, opens, closes and is destroyed; those
// calls are made under the JACK library lock, and a client that libjack has
// freed or whose server has died is never called again (see
// jackLibraryLock). Sending only queues the message for the client's process
// callback and needs neither.
template <typename Port>
class Client {
public:
    // nullptr when RtMidi cannot make one (the ALSA backend throws when the
    // machine has no sequencer device). make() builds the RtMidi object and
    // setUp() finishes it once errors go to reportRtMidiError.
    // `callbackData` is what a callback set up on it reaches: it lives as long
    // as the RtMidi object, also one left to libjack for good.
    static std::unique_ptr<Client> create(RtMidi::Api api, const std::function<std::unique_ptr<Port>()>& make,
                                          const std::function<void(Port&)>& setUp = {},
                                          std::shared_ptr<void> callbackData = {})
    {
        std::unique_ptr<Client> client(new Client(api, std::move(callbackData)));
        const auto library = client->jackLock();
        client->m_generation = jackClientGeneration();
        try {
            client->m_port = make();
            client->m_port->setErrorCallback(reportRtMidiError, nullptr);
            if (setUp)
                setUp(*client->m_port);
        } catch (const std::exception&) {
            return nullptr;
        }
        return client;
    }

    ~Client()
    {
        const auto library = jackLock();
        if (m_api == RtMidi::UNIX_JACK && (m_serverGone || m_generation != jackClientGeneration())) {
            keepForGood(std::move(m_port));
            // Its process callback may still reach the data.
            if (m_callbackData)
                keepForGood(new std::shared_ptr<void>(m_callbackData));
            return;
        }
        m_port.reset();  // closes the port and the client
    }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    // Its server has died: the client is left to libjack from now on.
    void serverGone() { m_serverGone = true; }

    // RtMidi asks the server for the count and for each name apart; a port
    // that goes away in between leaves a position with no name (RtMidi
    // complains and answers ""). No port has an empty name, so such a list
    // is asked again.
    std::vector<std::string> portNames()
    {
        const auto library = jackLock();
        if (!usable())
            return {};
        constexpr int Attempts = 3;
        std::vector<std::string> names;
        for (int attempt = 0; attempt < Attempts; ++attempt) {
            names.clear();
            const unsigned count = m_port->getPortCount();
            for (unsigned i = 0; i < count; ++i)
                names.push_back(m_port->getPortName(i));
            if (std::none_of(names.begin(), names.end(), [](const std::string& name) { return name.empty(); }))
                break;
        }
        return names;
    }

    // The position of the `occurrence`th port (from 0) called `name`, or -1.
    int find(const std::string& name, int occurrence = 0)
    {
        const std::vector<std::string> names = portNames();
        int seen = 0;
        for (std::size_t i = 0; i < names.size(); ++i)
            if (names[i] == name && seen++ == occurrence)
                return static_cast<int>(i);
        return -1;
    }

    // Opens our port `portName` connected to the one at `index`; true when it
    // is open.
    bool openPort(unsigned index, const std::string& portName)
    {
        const auto library = jackLock();
        if (!usable())
            return false;
        try {
            m_port->openPort(index, portName);
        } catch (const std::exception&) {
            return false;
        }
        return m_port->isPortOpen();
    }

    void send(const unsigned char* bytes, std::size_t length)
        requires std::same_as<Port, RtMidiOut>
    {
        m_port->sendMessage(bytes, length);
    }

private:
    Client(RtMidi::Api api, std::shared_ptr<void> callbackData)
        : m_api(api), m_callbackData(std::move(callbackData))
    {
    }

    std::unique_lock<std::mutex> jackLock() const
    {
        return m_api == RtMidi::UNIX_JACK ? jackLibraryLock() : std::unique_lock<std::mutex>();
    }
    bool usable() const
    {
        return m_api != RtMidi::UNIX_JACK || (!m_serverGone && m_generation == jackClientGeneration());
    }

    RtMidi::Api m_api;
    std::shared_ptr<void> m_callbackData;
    std::unique_ptr<Port> m_port;
    std::uint64_t m_generation = 0;
    bool m_serverGone = false;
};

// RtMidi's JACK backend ignores whether jack_connect succeeded: a port of
// ours counts as connected to the device's only once JACK shows the
// connection. The full name of our port `portName` newly connected to
// `device` (not among the connections seen `before`), with the cycle count
// read before the connection was seen; nullopt when none appears within
// `timeout` or the server is gone.
struct NewConnection {
    std::string ours;
    std::uint64_t cycleBefore = 0;
};
std::optional<NewConnection> awaitNewConnection(const JackWatch& watch, const std::string& device,
                                                const std::vector<std::string>& before, const std::string& portName,
                                                std::chrono::milliseconds timeout);

// A JACK port is watched while it is open: the watcher, a null one where the
// API is not JACK, or nullopt when no server runs (RtMidi would only warn
// about it).
std::optional<std::shared_ptr<JackWatch>> watchFor(RtMidi::Api api);

// A port of ours, open and connected to a device's port.
template <typename Port>
struct OpenedPort {
    std::unique_ptr<Client<Port>> client;
    std::shared_ptr<JackWatch> watch;  // JACK's: null for the other APIs
    NewConnection connection;          // JACK's: our port's full name
};

// Opens a client made by makeClient() with our port `portName` connected to
// the `occurrence`th (from 0) device port called `device`; on JACK, waits up
// to `timeout` for JACK to show the connection. nullopt when any of it fails.
template <typename Port>
std::optional<OpenedPort<Port>> openConnected(RtMidi::Api api,
                                              const std::function<std::unique_ptr<Client<Port>>()>& makeClient,
                                              const std::string& device, int occurrence, const std::string& portName,
                                              std::chrono::milliseconds timeout)
{
    if (api == RtMidi::UNSPECIFIED)
        return std::nullopt;
    std::optional<std::shared_ptr<JackWatch>> watch = watchFor(api);
    if (!watch)
        return std::nullopt;
    auto client = makeClient();
    if (!client)
        return std::nullopt;
    const int index = client->find(device, occurrence);
    if (index < 0)
        return std::nullopt;
    const std::vector<std::string> before = *watch ? (*watch)->connections(device) : std::vector<std::string>();
    // RtMidi opens by position; if the list moved while it did, the port it
    // reached may not be the one asked for.
    if (!client->openPort(static_cast<unsigned>(index), portName) || client->find(device, occurrence) != index)
        return std::nullopt;
    if (!*watch)
        return OpenedPort<Port>{std::move(client), nullptr, {}};
    std::optional<NewConnection> connection = awaitNewConnection(**watch, device, before, portName, timeout);
    if (!connection)
        return std::nullopt;
    return OpenedPort<Port>{std::move(client), std::move(*watch), std::move(*connection)};
}

// Whether the connection between two JACK ports is gone: the server died, or
// a port went away or was disconnected. The graph is looked at again only
// after a port or a connection was lost somewhere in it, so the check stays
// as fast as reading two counters.
class ConnectionCheck {
public:
    ConnectionCheck(const JackWatch& watch, std::string from, std::string to)
        : m_watch(watch), m_from(std::move(from)), m_to(std::move(to)), m_checkedLosses(watch.graphLosses())
    {
    }

    bool gone() const
    {
        if (m_gone.load())
            return true;
        if (!m_watch.serverAlive()) {
            m_gone.store(true);
            return true;
        }
        const std::uint64_t losses = m_watch.graphLosses();
        if (losses == m_checkedLosses.load())
            return false;
        // When another call to libjack is under way, the next call looks.
        const std::optional<bool> connected = m_watch.connectedNow(m_from, m_to);
        if (!connected)
            return false;
        m_checkedLosses.store(losses);
        if (!*connected)
            m_gone.store(true);
        return m_gone.load();
    }

private:
    const JackWatch& m_watch;
    std::string m_from;
    std::string m_to;
    mutable std::atomic<std::uint64_t> m_checkedLosses;
    mutable std::atomic<bool> m_gone{false};
};

// Whether `port` is a port of ours called `portName` (client `clientName`,
// or the numbered name JACK gives a second client of that name) that was not
// among the connections seen `before`.
inline bool isOurNewPort(const std::string& port, const std::vector<std::string>& before, const std::string& clientName,
                         const std::string& portName)
{
    const std::string suffix = ":" + portName;
    return std::find(before.begin(), before.end(), port) == before.end() && port.rfind(clientName, 0) == 0
           && port.size() > suffix.size() && port.compare(port.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The full names of the JACK ports Kelodi has open itself. They are never
// offered as devices: the program would play into itself.
class OwnPorts {
public:
    static void add(const std::string& name) { change(name, true); }
    static void remove(const std::string& name) { change(name, false); }
    static std::vector<std::string> without(std::vector<std::string> names)
    {
        std::lock_guard lock(mutex());
        names.erase(std::remove_if(names.begin(), names.end(),
                                   [](const std::string& name) {
                                       return std::find(list().begin(), list().end(), name) != list().end();
                                   }),
                    names.end());
        return names;
    }

private:
    static void change(const std::string& name, bool add)
    {
        if (name.empty())
            return;
        std::lock_guard lock(mutex());
        const auto found = std::find(list().begin(), list().end(), name);
        if (add && found == list().end())
            list().push_back(name);
        else if (!add && found != list().end())
            list().erase(found);
    }
    // Never destroyed: a port may close in the background as the process ends.
    static std::mutex& mutex()
    {
        static auto* m = new std::mutex;
        return *m;
    }
    static std::vector<std::string>& list()
    {
        static auto* l = new std::vector<std::string>;
        return *l;
    }
};

// The ports on the other side of ours: the devices. RtMidi's JACK backend
// opens and activates a client of its own to list them, and warns on stderr
// when no server runs; JACK is asked through the watcher's quiet query client
// (`fromJack`) instead, and our own ports are left out.
template <typename Port>
std::vector<std::string> devicePorts(RtMidi::Api api,
                                     const std::function<std::optional<std::vector<std::string>>()>& fromJack,
                                     const std::function<std::unique_ptr<Client<Port>>()>& makeClient)
{
    if (api == RtMidi::UNSPECIFIED)
        return {};
    if (api == RtMidi::UNIX_JACK && JackWatch::supported())
        return OwnPorts::without(fromJack().value_or(std::vector<std::string>()));
    auto client = makeClient();
    return client ? client->portNames() : std::vector<std::string>();
}

}  // namespace kelodi::rtmidi
