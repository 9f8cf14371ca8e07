// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

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

// What Kelodi's ports are called in the ALSA or JACK graph.
constexpr const char* ClientName = "Kelodi";
constexpr const char* PortName = "MIDI out";

// Opening waits at most this long for the connection to carry data, closing
// at most this long for queued messages to leave.
constexpr std::chrono::milliseconds CycleTimeout(2000);

// Listing, opening and closing call the server, and a stopped one never
// answers. The caller (the window, at the end) waits this long at most; a
// call that has not returned by then goes on in the background and the port
// counts as failed (see callWithin).
constexpr std::chrono::milliseconds ServerCallLimit(2000);

// Cycles to wait after an event so that a whole process cycle has run after
// it: the count may already be in a cycle that began before the event, and
// our client may run after the watcher within a cycle.
constexpr std::uint64_t CyclesAfter = 3;

// A JACK port hands everything queued to the receiver in one process cycle,
// and receivers keep only so many events per cycle (jack_midi_dump drops all
// beyond 127). A burst, like the 112 messages that restore every channel after
// a device switch, is therefore spread over cycles, at most this many each.
constexpr int MessagesPerCycle = 64;

// An RtMidi client. RtMidi's JACK backend calls its JACK client when it is
// made, lists, opens, closes and is destroyed; those calls are made under the
// JACK library lock, and a client that libjack has freed or whose server has
// died is never called again (see jackLibraryLock). Sending only queues the
// message for the client's process callback and needs neither.
class MidiClient {
public:
    // nullptr when RtMidi cannot make one (the ALSA backend throws when the
    // machine has no sequencer device).
    static std::unique_ptr<MidiClient> create(RtMidi::Api api)
    {
        std::unique_ptr<MidiClient> client(new MidiClient(api));
        const auto library = client->jackLock();
        client->m_generation = jackClientGeneration();
        try {
            client->m_out = std::make_unique<RtMidiOut>(api, ClientName);
            client->m_out->setErrorCallback(reportRtMidiError, nullptr);
        } catch (const std::exception&) {
            return nullptr;
        }
        return client;
    }

    ~MidiClient()
    {
        const auto library = jackLock();
        if (m_api == RtMidi::UNIX_JACK && (m_serverGone || m_generation != jackClientGeneration())) {
            keepForGood(std::move(m_out));
            return;
        }
        m_out.reset();  // closes the port and the client
    }
    MidiClient(const MidiClient&) = delete;
    MidiClient& operator=(const MidiClient&) = delete;

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
            const unsigned count = m_out->getPortCount();
            for (unsigned i = 0; i < count; ++i)
                names.push_back(m_out->getPortName(i));
            if (std::none_of(names.begin(), names.end(), [](const std::string& name) { return name.empty(); }))
                break;
        }
        return names;
    }

    // True when the port is open.
    bool openPort(unsigned index)
    {
        const auto library = jackLock();
        if (!usable())
            return false;
        try {
            m_out->openPort(index, PortName);
        } catch (const std::exception&) {
            return false;
        }
        return m_out->isPortOpen();
    }

    void send(const unsigned char* bytes, std::size_t length) { m_out->sendMessage(bytes, length); }

private:
    explicit MidiClient(RtMidi::Api api) : m_api(api) {}

    std::unique_lock<std::mutex> jackLock() const
    {
        return m_api == RtMidi::UNIX_JACK ? jackLibraryLock() : std::unique_lock<std::mutex>();
    }
    bool usable() const
    {
        return m_api != RtMidi::UNIX_JACK || (!m_serverGone && m_generation == jackClientGeneration());
    }

    RtMidi::Api m_api;
    std::unique_ptr<RtMidiOut> m_out;
    std::uint64_t m_generation = 0;
    bool m_serverGone = false;
};

class RtMidiPortOut : public MidiOut {
public:
    // source and destination: the full names of our JACK port and of the
    // device's, when the port is watched.
    RtMidiPortOut(std::unique_ptr<MidiClient> out, std::shared_ptr<JackWatch> watch, std::string source = {},
                  std::string destination = {})
        : m_out(std::move(out)), m_watch(std::move(watch)), m_source(std::move(source)),
          m_destination(std::move(destination)), m_checkedLosses(m_watch ? m_watch->graphLosses() : 0)
    {
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
    // from ours). The graph is looked at again only after a port or a
    // connection was lost somewhere in it, so sending stays as fast as the
    // check of two counters.
    bool disconnected() const override
    {
        if (!m_watch)
            return false;
        if (!m_watch->serverAlive() || m_deviceGone.load())
            return true;
        const std::uint64_t losses = m_watch->graphLosses();
        if (losses == m_checkedLosses.load() || m_source.empty())
            return false;
        // When another call to libjack is under way, the next call looks.
        const std::optional<bool> connected = m_watch->connectedNow(m_source, m_destination);
        if (!connected)
            return false;
        m_checkedLosses.store(losses);
        if (!*connected)
            m_deviceGone.store(true);
        return m_deviceGone.load();
    }

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

    std::unique_ptr<MidiClient> m_out;
    std::shared_ptr<JackWatch> m_watch;
    std::string m_source;
    std::string m_destination;
    mutable std::atomic<std::uint64_t> m_checkedLosses;
    mutable std::atomic<bool> m_deviceGone{false};
    std::uint64_t m_lastSendCycle = 0;
    std::uint64_t m_paceCycle = 0;
    int m_currentCount = 0;
    int m_previousCount = 0;
    std::optional<std::uint64_t> m_stalledAt;
    SoundingNotes m_notes;
};

class RtMidiPorts : public SystemPorts {
public:
    RtMidiPorts()
    {
        // The ALSA sequencer where the machine has one; JACK otherwise. Only
        // one of them is used, so a port never shows up twice.
        if (compiled(RtMidi::LINUX_ALSA) && alsaSequencerPresent() && MidiClient::create(RtMidi::LINUX_ALSA))
            m_api = RtMidi::LINUX_ALSA;
        else if (compiled(RtMidi::UNIX_JACK))
            m_api = RtMidi::UNIX_JACK;
        else if (compiled(RtMidi::MACOSX_CORE))
            m_api = RtMidi::MACOSX_CORE;
    }

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
        for (const std::string& name : destinationNames(api))
            ports.push_back({name, portCaps(api == RtMidi::LINUX_ALSA, name)});
        return ports;
    }

    // RtMidi's JACK backend opens and activates a client of its own to list
    // the ports, and warns on stderr when no server runs; JACK is asked
    // through the watcher's quiet query client instead.
    static std::vector<std::string> destinationNames(RtMidi::Api api)
    {
        if (api == RtMidi::UNSPECIFIED)
            return {};
        if (api == RtMidi::UNIX_JACK && JackWatch::supported())
            return OwnPorts::without(JackWatch::midiDestinations().value_or(std::vector<std::string>()));
        auto client = MidiClient::create(api);
        return client ? client->portNames() : std::vector<std::string>();
    }

    static std::unique_ptr<MidiOut> openPort(RtMidi::Api api, const std::string& name, int occurrence)
    {
        if (api == RtMidi::UNSPECIFIED)
            return nullptr;
        // A JACK port is watched while it is open; without a watcher no
        // server runs (RtMidi would only warn about it).
        std::shared_ptr<JackWatch> watch;
        if (api == RtMidi::UNIX_JACK && JackWatch::supported()) {
            watch = JackWatch::acquire();
            if (!watch)
                return nullptr;
        }
        auto out = MidiClient::create(api);
        if (!out)
            return nullptr;
        const int index = findPort(*out, name, occurrence);
        if (index < 0)
            return nullptr;
        const std::vector<std::string> before = watch ? watch->connections(name) : std::vector<std::string>();

        // RtMidi opens by position; if the list moved while it did, the port
        // it reached may not be the one asked for.
        if (!out->openPort(static_cast<unsigned>(index)) || findPort(*out, name, occurrence) != index)
            return nullptr;

        if (!watch)
            return std::make_unique<RtMidiPortOut>(std::move(out), nullptr);
        std::optional<std::string> source = connectionLive(*watch, name, before);
        if (!source)
            return nullptr;
        return std::make_unique<RtMidiPortOut>(std::move(out), std::move(watch), std::move(*source), name);
    }

    static int findPort(MidiClient& out, const std::string& name, int occurrence)
    {
        const std::vector<std::string> names = out.portNames();
        int seen = 0;
        for (std::size_t i = 0; i < names.size(); ++i)
            if (names[i] == name && seen++ == occurrence)
                return static_cast<int>(i);
        return -1;
    }

    // RtMidi's JACK backend ignores whether jack_connect succeeded, and the
    // server applies a new connection from a later process cycle on (other
    // clients, the watcher too, see it only then): a burst sent at once could
    // go nowhere. The port counts as open only when a new connection from one
    // of our ports reaches the destination and a full cycle has run since.
    // The full name of our port, or nullopt.
    static std::optional<std::string> connectionLive(const JackWatch& watch, const std::string& destination,
                                                     const std::vector<std::string>& before)
    {
        const auto isOurs = [&](const std::string& source) { return isOurNewPort(source, before, ClientName, PortName); };
        const auto deadline = std::chrono::steady_clock::now() + CycleTimeout;
        for (;;) {
            const std::uint64_t cycle = watch.cycles();
            const auto sources = watch.connections(destination);
            const auto ours = std::find_if(sources.begin(), sources.end(), isOurs);
            if (ours != sources.end()) {
                if (!watch.waitForCycle(cycle + CyclesAfter, CycleTimeout))
                    return std::nullopt;
                return *ours;
            }
            if (std::chrono::steady_clock::now() >= deadline)
                return std::nullopt;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    RtMidi::Api m_api = RtMidi::UNSPECIFIED;
};

}  // namespace

std::unique_ptr<SystemPorts> createSystemPorts()
{
    return std::make_unique<RtMidiPorts>();
}

}  // namespace kelodi
