// SPDX-License-Identifier: GPL-3.0-or-later
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <rtmidi/RtMidi.h>

#include "platform/midi/bounded_call.h"
#include "platform/midi/jack_watch.h"
#include "platform/midi/midi_wire.h"
#include "platform/midi/port_details.h"
#include "platform/midi/rtmidi_common.h"
#include "platform/midi/system_ports.h"

namespace kelodi {

namespace {

using namespace rtmidi;

// What Kelodi's output port is called in the ALSA or JACK graph.
constexpr const char* PortName = "MIDI out";

// Opening waits at most this long for the connection to carry data, closing
// at most this long for queued messages to leave.
constexpr std::chrono::milliseconds CycleTimeout(2000);

// Cycles to wait after an event so that a whole process cycle has run after
// it: the count may already be in a cycle that began before the event, and
// our client may run after the watcher within a cycle.
constexpr std::uint64_t CyclesAfter = 3;

// A JACK port hands everything queued to the receiver in one process cycle,
// and receivers keep only so many events per cycle (jack_midi_dump drops all
// beyond 127). A burst, like the 112 messages that restore every channel after
// a device switch, is therefore spread over cycles, at most this many each.
constexpr int MessagesPerCycle = 64;

using OutClient = Client<RtMidiOut>;

std::unique_ptr<OutClient> createClient(RtMidi::Api api)
{
    return OutClient::create(api, [api] { return std::make_unique<RtMidiOut>(api, ClientName); });
}

class RtMidiPortOut : public MidiOut {
public:
    // source and destination: the full names of our JACK port and of the
    // device's, when the port is watched.
    RtMidiPortOut(std::unique_ptr<OutClient> out, std::shared_ptr<JackWatch> watch, std::string source = {},
                  std::string destination = {})
        : m_out(std::move(out)), m_watch(std::move(watch)), m_source(std::move(source))
    {
        if (m_watch)
            m_connection.emplace(*m_watch, m_source, std::move(destination));
        OwnPorts::add(m_source);
    }
    ~RtMidiPortOut() override { close(); }

    void send(ShortMessage message) override
    {
        if (!m_out || wireLength(message) == 0 || disconnected())
            return;
        m_notes.track(message);
        write(message);
    }

    void reset() override
    {
        if (!m_out || disconnected())
            return;
        for (ShortMessage m : m_notes.releaseAll())
            write(m);
        for (ShortMessage m : silenceEveryChannel())
            write(m);
    }

    void close() override
    {
        if (!m_out)
            return;
        OwnPorts::remove(m_source);
        const bool lost = disconnected();
        // A server known to have stopped running cycles is not waited for.
        const std::chrono::milliseconds limit = stalled() ? std::chrono::milliseconds(0) : ServerCallLimit;
        // The device outlives our connection to it; notes we leave on would
        // never stop. A server that is gone took them with it.
        if (!lost) {
            for (ShortMessage m : m_notes.releaseAll())
                write(m);
        }
        // RtMidi's JACK client queues messages for its process callback;
        // unregistering the port before a cycle has taken them loses them.
        // The wait and the close itself both depend on the server.
        if (lost) {
            // Nothing is left to wait for, and nothing of the client may be
            // called any more; what is left is let go in the background.
            m_out->serverGone();
            callInBackground([out = std::move(m_out), watch = std::move(m_watch)]() mutable {
                out.reset();
                watch.reset();
            });
            return;
        }
        callWithin(limit, [out = std::move(m_out), watch = std::move(m_watch),
                           target = m_lastSendCycle + CyclesAfter]() mutable {
            if (watch)
                watch->waitForCycle(target, CycleTimeout);
            // A server that died meanwhile is not called.
            if (watch && !watch->serverAlive())
                out->serverGone();
            out.reset();
            watch.reset();
            return true;
        });
    }

    // The server died, or the device's port went away (or was disconnected
    // from ours). Sending stays as fast as the check of two counters.
    bool disconnected() const override { return m_watch && m_connection->gone(); }

private:
    void write(ShortMessage message)
    {
        const int length = wireLength(message);
        if (length == 0)
            return;
        pace();
        const unsigned char bytes[3] = {statusByte(message), dataByte1(message), dataByte2(message)};
        m_out->send(bytes, static_cast<std::size_t>(length));
        if (m_watch)
            m_lastSendCycle = m_watch->cycles();
    }

    // The server has run no cycle since one was last waited for in vain.
    bool stalled() const { return m_stalledAt && m_watch && m_watch->cycles() == *m_stalledAt; }

    // Waits, when a burst has used up the share of the cycle, for the next
    // cycle. Between two of our client's process calls the watcher's count
    // takes at most two values, so messages written under the current and the
    // previous count are what the next process call can find queued.
    void pace()
    {
        if (!m_watch)
            return;
        if (m_stalledAt) {
            // Waiting again for every message would freeze the caller; pacing
            // starts again when cycles do.
            if (stalled())
                return;
            m_stalledAt.reset();
        }
        for (;;) {
            const std::uint64_t now = m_watch->cycles();
            if (now != m_paceCycle) {
                m_previousCount = now == m_paceCycle + 1 ? m_currentCount : 0;
                m_currentCount = 0;
                m_paceCycle = now;
            }
            if (m_previousCount + m_currentCount < MessagesPerCycle) {
                ++m_currentCount;
                return;
            }
            if (!m_watch->waitForCycle(now + 1, CycleTimeout)) {
                m_stalledAt = now;
                return;
            }
        }
    }

    std::unique_ptr<OutClient> m_out;
    std::shared_ptr<JackWatch> m_watch;
    std::string m_source;
    std::optional<ConnectionCheck> m_connection;  // while watched
    std::uint64_t m_lastSendCycle = 0;
    std::uint64_t m_paceCycle = 0;
    int m_currentCount = 0;
    int m_previousCount = 0;
    std::optional<std::uint64_t> m_stalledAt;
    SoundingNotes m_notes;
};

class RtMidiPorts : public SystemPorts {
public:
    RtMidiPorts() : m_api(chooseApi([] { return createClient(RtMidi::LINUX_ALSA) != nullptr; })) {}

    std::string apiName() const override { return rtmidi::apiName(m_api); }

    std::vector<SystemPortInfo> list() override
    {
        // A server that does not answer has no ports to offer.
        std::optional<std::vector<SystemPortInfo>> ports =
            callWithin(ServerCallLimit, [api = m_api] { return listPorts(api); });
        return ports ? std::move(*ports) : std::vector<SystemPortInfo>();
    }

    std::unique_ptr<MidiOut> open(const std::string& name, int occurrence) override
    {
        std::optional<std::unique_ptr<MidiOut>> opened = callWithin(
            ServerCallLimit, [api = m_api, name, occurrence] { return openPort(api, name, occurrence); });
        return opened ? std::move(*opened) : nullptr;
    }

private:
    static std::vector<SystemPortInfo> listPorts(RtMidi::Api api)
    {
        std::vector<SystemPortInfo> ports;
        for (const std::string& name : devicePorts<RtMidiOut>(api, JackWatch::midiDestinations,
                                                              [api] { return createClient(api); }))
            ports.push_back({name, portCaps(api == RtMidi::LINUX_ALSA, name)});
        return ports;
    }

    static std::unique_ptr<MidiOut> openPort(RtMidi::Api api, const std::string& name, int occurrence)
    {
        std::optional<OpenedPort<RtMidiOut>> opened = openConnected<RtMidiOut>(
            api, [api] { return createClient(api); }, name, occurrence, PortName, CycleTimeout);
        if (!opened)
            return nullptr;
        if (!opened->watch)
            return std::make_unique<RtMidiPortOut>(std::move(opened->client), nullptr);
        // The server applies a new connection from a later process cycle on
        // (other clients, the watcher too, see it only then): a burst sent at
        // once could go nowhere. The port counts as open only once a full
        // cycle has run since the connection was seen.
        if (!opened->watch->waitForCycle(opened->connection.cycleBefore + CyclesAfter, CycleTimeout))
            return nullptr;
        return std::make_unique<RtMidiPortOut>(std::move(opened->client), std::move(opened->watch),
                                               std::move(opened->connection.ours), name);
    }

    RtMidi::Api m_api = RtMidi::UNSPECIFIED;
};

}  // namespace

std::unique_ptr<SystemPorts> createSystemPorts()
{
    return std::make_unique<RtMidiPorts>();
}

}  // namespace kelodi
