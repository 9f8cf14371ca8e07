// SPDX-License-Identifier: GPL-3.0-or-later
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
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
constexpr const char* PortName = "MIDI in";

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

using InClient = Client<RtMidiIn>;

// A client that hands what arrives to `delivery`, when there is one.
std::unique_ptr<InClient> createClient(RtMidi::Api api, std::shared_ptr<Delivery> delivery)
{
    return InClient::create(
        api, [api] { return std::make_unique<RtMidiIn>(api, ClientName, QueueLimit); },
        [delivery](RtMidiIn& in) {
            // System exclusive, timing and active sensing never reach us.
            in.ignoreTypes(true, true, true);
            if (delivery)
                in.setCallback(&Delivery::receive, delivery.get());
        },
        delivery);
}

class RtMidiPortIn : public MidiIn {
public:
    // JACK: `watch` sees the graph, `source` is the device's port and `ours`
    // the full name of our port connected to it. ALSA: `alsaList` asks the
    // sequencer whether `source` is still there.
    RtMidiPortIn(std::unique_ptr<InClient> client, std::shared_ptr<Delivery> delivery,
                 std::shared_ptr<JackWatch> watch, std::string source, std::string ours)
        : m_client(std::move(client)), m_delivery(std::move(delivery)), m_watch(std::move(watch)),
          m_source(std::move(source)), m_ours(std::move(ours))
    {
        if (m_watch)
            m_connection.emplace(*m_watch, m_source, m_ours);
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
        if (m_watch)
            return m_connection->gone();
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

    std::unique_ptr<InClient> m_client;
    std::shared_ptr<Delivery> m_delivery;
    std::shared_ptr<JackWatch> m_watch;
    std::string m_source;
    std::string m_ours;
    std::optional<ConnectionCheck> m_connection;  // while watched
    mutable std::atomic<bool> m_deviceGone{false};  // the ALSA port gone
    mutable std::mutex m_alsaMutex;
    mutable std::chrono::steady_clock::time_point m_lastAlsaCheck{};
};

class RtMidiInputs : public MidiInputList {
public:
    RtMidiInputs() : m_api(chooseApi([] { return createClient(RtMidi::LINUX_ALSA, nullptr) != nullptr; })) {}

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
        return devicePorts<RtMidiIn>(api, JackWatch::midiSources, [api] { return createClient(api, nullptr); });
    }

    static std::unique_ptr<MidiIn> openPort(RtMidi::Api api, const std::string& name, std::shared_ptr<Delivery> delivery)
    {
        std::optional<OpenedPort<RtMidiIn>> opened = openConnected<RtMidiIn>(
            api, [api, delivery] { return createClient(api, delivery); }, name, 0, PortName, ConnectTimeout);
        if (!opened)
            return nullptr;
        return std::make_unique<RtMidiPortIn>(std::move(opened->client), std::move(delivery), std::move(opened->watch),
                                              name, std::move(opened->connection.ours));
    }

    RtMidi::Api m_api = RtMidi::UNSPECIFIED;
};

}  // namespace

std::unique_ptr<MidiInputList> createMidiInputList()
{
    return std::make_unique<RtMidiInputs>();
}

}  // namespace kelodi
