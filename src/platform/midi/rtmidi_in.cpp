// SPDX-License-Identifier: GPL-3.0-or-later
#include <atomic>
#include <chrono>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <rtmidi/RtMidi.h>

#include "platform/midi/bounded_call.h"
#include "platform/midi/jack_watch.h"
#include "platform/midi/rtmidi_common.h"
#include "platform/midi/system_inputs.h"

namespace kelodi {

namespace {

using namespace rtmidi;

// What Kelodi's input port is called in the ALSA or JACK graph.
constexpr const char* ClientName = "Kelodi";
constexpr const char* PortName = "MIDI in";

// Listing, opening and closing call the server, and a stopped one never
// answers: the window waits this long at most (see callWithin).
constexpr std::chrono::milliseconds ServerCallLimit(2000);
// How long opening waits for the connection from the device to appear.
constexpr std::chrono::milliseconds ConnectTimeout(2000);
// How often an ALSA port is looked for in the sequencer's list.
constexpr std::chrono::milliseconds AlsaCheckInterval(400);
// Messages RtMidi keeps when the handler is slow.
constexpr unsigned QueueLimit = 1024;

// Hands RtMidi's messages (on its thread) to the handler until stopped;
// after stop() has returned the handler is never called again.
class Delivery {
public:
    explicit Delivery(MidiInputHandler handler) : m_handler(std::move(handler)) {}

    static void receive(double, std::vector<unsigned char>* message, void* self)
    {
        auto* delivery = static_cast<Delivery*>(self);
        std::lock_guard lock(delivery->m_mutex);
        if (delivery->m_handler && message && !message->empty())
            delivery->m_handler(message->data(), message->size());
    }

    void stop()
    {
        std::lock_guard lock(m_mutex);
        m_handler = nullptr;
    }

private:
    std::mutex m_mutex;
    MidiInputHandler m_handler;
};

// An RtMidi input client, under the same rules as the output's: every call
// on a JACK client is made under the JACK library lock, and a client whose
// server died or that libjack freed is never called again (jackLibraryLock).
class InputClient {
public:
    static std::unique_ptr<InputClient> create(RtMidi::Api api, std::shared_ptr<Delivery> delivery)
    {
        std::unique_ptr<InputClient> client(new InputClient(api, std::move(delivery)));
        const auto library = client->jackLock();
        client->m_generation = jackClientGeneration();
        try {
            client->m_in = std::make_unique<RtMidiIn>(api, ClientName, QueueLimit);
            client->m_in->setErrorCallback(reportRtMidiError, nullptr);
            // System exclusive, timing and active sensing never reach us.
            client->m_in->ignoreTypes(true, true, true);
            if (client->m_delivery)
                client->m_in->setCallback(&Delivery::receive, client->m_delivery.get());
        } catch (const std::exception&) {
            return nullptr;
        }
        return client;
    }

    ~InputClient()
    {
        const auto library = jackLock();
        if (m_api == RtMidi::UNIX_JACK && (m_serverGone || m_generation != jackClientGeneration())) {
            // Its process callback may still hold the delivery.
            keepForGood(std::move(m_in));
            if (m_delivery)
                keepForGood(new std::shared_ptr<Delivery>(m_delivery));
            return;
        }
        m_in.reset();
    }
    InputClient(const InputClient&) = delete;
    InputClient& operator=(const InputClient&) = delete;

    void serverGone() { m_serverGone = true; }

    std::vector<std::string> portNames()
    {
        const auto library = jackLock();
        std::vector<std::string> names;
        if (!usable())
            return names;
        const unsigned count = m_in->getPortCount();
        for (unsigned i = 0; i < count; ++i)
            names.push_back(m_in->getPortName(i));
        return names;
    }

    int find(const std::string& name)
    {
        const std::vector<std::string> names = portNames();
        for (std::size_t i = 0; i < names.size(); ++i)
            if (names[i] == name)
                return static_cast<int>(i);
        return -1;
    }

    bool openPort(unsigned index)
    {
        const auto library = jackLock();
        if (!usable())
            return false;
        try {
            m_in->openPort(index, PortName);
        } catch (const std::exception&) {
            return false;
        }
        return m_in->isPortOpen();
    }

private:
    InputClient(RtMidi::Api api, std::shared_ptr<Delivery> delivery) : m_api(api), m_delivery(std::move(delivery)) {}

    std::unique_lock<std::mutex> jackLock() const
    {
        return m_api == RtMidi::UNIX_JACK ? jackLibraryLock() : std::unique_lock<std::mutex>();
    }
    bool usable() const
    {
        return m_api != RtMidi::UNIX_JACK || (!m_serverGone && m_generation == jackClientGeneration());
    }

    RtMidi::Api m_api;
    std::shared_ptr<Delivery> m_delivery;
    std::unique_ptr<RtMidiIn> m_in;
    std::uint64_t m_generation = 0;
    bool m_serverGone = false;
};

class RtMidiPortIn : public MidiIn {
public:
    // JACK: `watch` sees the graph, `source` is the device's port and `ours`
    // the full name of our port connected to it. ALSA: `alsaList` asks the
    // sequencer whether `source` is still there.
    RtMidiPortIn(std::unique_ptr<InputClient> client, std::shared_ptr<Delivery> delivery,
                 std::shared_ptr<JackWatch> watch, std::string source, std::string ours)
        : m_client(std::move(client)), m_delivery(std::move(delivery)), m_watch(std::move(watch)),
          m_source(std::move(source)), m_ours(std::move(ours)),
          m_checkedLosses(m_watch ? m_watch->graphLosses() : 0)
    {
        OwnPorts::add(m_ours);
    }
    ~RtMidiPortIn() override { close(); }

    void close() override
    {
        if (!m_client)
            return;
        m_delivery->stop();
        OwnPorts::remove(m_ours);
        const bool lost = disconnected();
        if (lost || (m_watch && !m_watch->serverAlive())) {
            // Nothing of a client whose server is gone may be called; what is
            // left is let go in the background.
            if (m_watch && !m_watch->serverAlive())
                m_client->serverGone();
            callInBackground([client = std::move(m_client), watch = std::move(m_watch)]() mutable {
                client.reset();
                watch.reset();
            });
            return;
        }
        callWithin(ServerCallLimit, [client = std::move(m_client), watch = std::move(m_watch)]() mutable {
            if (watch && !watch->serverAlive())
                client->serverGone();
            client.reset();
            watch.reset();
            return true;
        });
    }

    bool disconnected() const override
    {
        if (m_deviceGone.load())
            return true;
        if (m_watch) {
            if (!m_watch->serverAlive()) {
                m_deviceGone.store(true);
                return true;
            }
            // The graph is looked at again only after something in it was lost.
            const std::uint64_t losses = m_watch->graphLosses();
            if (losses == m_checkedLosses.load())
                return false;
            const std::optional<bool> connected = m_watch->connectedNow(m_source, m_ours);
            if (!connected)
                return false;  // libjack is busy: the next call looks
            m_checkedLosses.store(losses);
            if (!*connected)
                m_deviceGone.store(true);
            return m_deviceGone.load();
        }
        return alsaPortGone();
    }

private:
    // An ALSA port that left the sequencer's list (the keyboard unplugged).
    bool alsaPortGone() const
    {
        std::lock_guard lock(m_alsaMutex);
        const auto now = std::chrono::steady_clock::now();
        if (!m_client || now - m_lastAlsaCheck < AlsaCheckInterval)
            return m_deviceGone.load();
        m_lastAlsaCheck = now;
        if (m_client->find(m_source) < 0)
            m_deviceGone.store(true);
        return m_deviceGone.load();
    }

    std::unique_ptr<InputClient> m_client;
    std::shared_ptr<Delivery> m_delivery;
    std::shared_ptr<JackWatch> m_watch;
    std::string m_source;
    std::string m_ours;
    mutable std::atomic<std::uint64_t> m_checkedLosses;
    mutable std::atomic<bool> m_deviceGone{false};
    mutable std::mutex m_alsaMutex;
    mutable std::chrono::steady_clock::time_point m_lastAlsaCheck{};
};

class RtMidiInputs : public MidiInputList {
public:
    RtMidiInputs()
    {
        // The same layer as the outputs: the ALSA sequencer where there is
        // one, JACK otherwise.
        if (compiled(RtMidi::LINUX_ALSA) && alsaSequencerPresent() && InputClient::create(RtMidi::LINUX_ALSA, nullptr))
            m_api = RtMidi::LINUX_ALSA;
        else if (compiled(RtMidi::UNIX_JACK))
            m_api = RtMidi::UNIX_JACK;
        else if (compiled(RtMidi::MACOSX_CORE))
            m_api = RtMidi::MACOSX_CORE;
    }

    std::string apiName() const override { return rtmidi::apiName(m_api); }

    std::vector<std::string> names() override
    {
        std::optional<std::vector<std::string>> names =
            callWithin(ServerCallLimit, [api = m_api] { return sourceNames(api); });
        return names ? std::move(*names) : std::vector<std::string>();
    }

    std::unique_ptr<MidiIn> open(const std::string& name, MidiInputHandler handler) override
    {
        auto delivery = std::make_shared<Delivery>(std::move(handler));
        std::optional<std::unique_ptr<MidiIn>> opened =
            callWithin(ServerCallLimit, [api = m_api, name, delivery] { return openPort(api, name, delivery); });
        if (!opened || !*opened) {
            // A port that opens too late closes in the background; it never
            // reaches the handler.
            delivery->stop();
            return nullptr;
        }
        return std::move(*opened);
    }

private:
    static std::vector<std::string> sourceNames(RtMidi::Api api)
    {
        if (api == RtMidi::UNSPECIFIED)
            return {};
        // RtMidi would open a client of its own just to list, and warn when
        // no server runs; the watcher's quiet query client answers instead.
        if (api == RtMidi::UNIX_JACK && JackWatch::supported())
            return OwnPorts::without(JackWatch::midiSources().value_or(std::vector<std::string>()));
        auto client = InputClient::create(api, nullptr);
        return client ? client->portNames() : std::vector<std::string>();
    }

    static std::unique_ptr<MidiIn> openPort(RtMidi::Api api, const std::string& name, std::shared_ptr<Delivery> delivery)
    {
        if (api == RtMidi::UNSPECIFIED)
            return nullptr;
        std::shared_ptr<JackWatch> watch;
        if (api == RtMidi::UNIX_JACK && JackWatch::supported()) {
            watch = JackWatch::acquire();
            if (!watch)
                return nullptr;
        }
        auto client = InputClient::create(api, delivery);
        if (!client)
            return nullptr;
        const int index = client->find(name);
        if (index < 0)
            return nullptr;
        const std::vector<std::string> before = watch ? watch->connections(name) : std::vector<std::string>();
        // RtMidi opens by position; the list may have moved meanwhile.
        if (!client->openPort(static_cast<unsigned>(index)) || client->find(name) != index)
            return nullptr;
        if (!watch)
            return std::make_unique<RtMidiPortIn>(std::move(client), std::move(delivery), nullptr, name, std::string());
        // RtMidi ignores whether its jack_connect worked: the port counts as
        // open once a new port of ours is connected to the device's.
        const std::optional<std::string> ours = newConnection(*watch, name, before);
        if (!ours)
            return nullptr;
        return std::make_unique<RtMidiPortIn>(std::move(client), std::move(delivery), std::move(watch), name, *ours);
    }

    static std::optional<std::string> newConnection(const JackWatch& watch, const std::string& source,
                                                    const std::vector<std::string>& before)
    {
        const auto isOurs = [&](const std::string& port) { return isOurNewPort(port, before, ClientName, PortName); };
        const auto deadline = std::chrono::steady_clock::now() + ConnectTimeout;
        for (;;) {
            const auto ports = watch.connections(source);
            const auto ours = std::find_if(ports.begin(), ports.end(), isOurs);
            if (ours != ports.end())
                return *ours;
            if (std::chrono::steady_clock::now() >= deadline || !watch.serverAlive())
                return std::nullopt;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    RtMidi::Api m_api = RtMidi::UNSPECIFIED;
};

}  // namespace

std::unique_ptr<MidiInputList> createMidiInputList()
{
    return std::make_unique<RtMidiInputs>();
}

}  // namespace kelodi
