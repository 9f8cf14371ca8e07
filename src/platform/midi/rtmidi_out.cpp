#include <algorithm>
#include <exception>
#include <filesystem>
#include <string>
#include <thread>

#include <rtmidi/RtMidi.h>

#include "platform/midi/jack_watch.h"
#include "platform/midi/midi_wire.h"
#include "platform/midi/port_details.h"
#include "platform/midi/system_ports.h"

namespace kelodi {

namespace {

// What Kelodi's ports are called in the ALSA or JACK graph.
constexpr const char* ClientName = "Kelodi";
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

// Without a callback RtMidi throws from any call that fails, sendMessage
// included. Failures are seen where they matter instead (a port that is not
// open afterwards, a connection that never appears), and warnings such as an
// absent JACK server are expected.
void ignoreRtMidiError(RtMidiError::Type, const std::string&, void*) {}

std::unique_ptr<RtMidiOut> makeClient(RtMidi::Api api)
{
    try {
        auto out = std::make_unique<RtMidiOut>(api, ClientName);
        out->setErrorCallback(ignoreRtMidiError, nullptr);
        return out;
    } catch (const std::exception&) {
        // The ALSA backend throws when the machine has no sequencer device.
        return nullptr;
    }
}

std::vector<std::string> portNames(RtMidiOut& out)
{
    std::vector<std::string> names;
    const unsigned count = out.getPortCount();
    for (unsigned i = 0; i < count; ++i)
        names.push_back(out.getPortName(i));
    return names;
}

// RtMidi's ALSA backend reports a missing sequencer on stderr before it
// throws; a machine without the device file has none.
bool alsaSequencerPresent()
{
    std::error_code error;
    return std::filesystem::exists("/dev/snd/seq", error);
}

bool compiled(RtMidi::Api api)
{
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    return std::find(apis.begin(), apis.end(), api) != apis.end();
}

class RtMidiPortOut : public MidiOut {
public:
    RtMidiPortOut(std::unique_ptr<RtMidiOut> out, std::shared_ptr<JackWatch> watch)
        : m_out(std::move(out)), m_watch(std::move(watch))
    {
    }
    ~RtMidiPortOut() override { close(); }

    void send(ShortMessage message) override
    {
        if (!m_out || wireLength(message) == 0)
            return;
        m_notes.track(message);
        write(message);
    }

    void reset() override
    {
        if (!m_out)
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
        // The device outlives our connection to it; notes we leave on would
        // never stop.
        for (ShortMessage m : m_notes.releaseAll())
            write(m);
        // RtMidi's JACK client queues messages for its process callback;
        // unregistering the port before a cycle has taken them loses them.
        if (m_watch)
            m_watch->waitForCycle(m_lastSendCycle + CyclesAfter, CycleTimeout);
        m_out->closePort();
        m_out.reset();
        m_watch.reset();
    }

private:
    void write(ShortMessage message)
    {
        const int length = wireLength(message);
        if (length == 0)
            return;
        pace();
        const unsigned char bytes[3] = {statusByte(message), dataByte1(message), dataByte2(message)};
        m_out->sendMessage(bytes, static_cast<std::size_t>(length));
        if (m_watch)
            m_lastSendCycle = m_watch->cycles();
    }

    // Waits, when a burst has used up the share of the cycle, for the next
    // cycle. Between two of our client's process calls the watcher's count
    // takes at most two values, so messages written under the current and the
    // previous count are what the next process call can find queued.
    void pace()
    {
        if (!m_watch || m_watchStalled)
            return;
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
                // The server has stopped running cycles; waiting again for
                // every message would freeze the caller.
                m_watchStalled = true;
                return;
            }
        }
    }

    std::unique_ptr<RtMidiOut> m_out;
    std::shared_ptr<JackWatch> m_watch;
    std::uint64_t m_lastSendCycle = 0;
    std::uint64_t m_paceCycle = 0;
    int m_currentCount = 0;
    int m_previousCount = 0;
    bool m_watchStalled = false;
    SoundingNotes m_notes;
};

class RtMidiPorts : public SystemPorts {
public:
    RtMidiPorts()
    {
        // The ALSA sequencer where the machine has one; JACK otherwise. Only
        // one of them is used, so a port never shows up twice.
        if (compiled(RtMidi::LINUX_ALSA) && alsaSequencerPresent() && makeClient(RtMidi::LINUX_ALSA))
            m_api = RtMidi::LINUX_ALSA;
        else if (compiled(RtMidi::UNIX_JACK))
            m_api = RtMidi::UNIX_JACK;
        else if (compiled(RtMidi::MACOSX_CORE))
            m_api = RtMidi::MACOSX_CORE;
    }

    // RtMidi's JACK backend writes a warning to stderr whenever it finds no
    // server; ask quietly first.
    bool usable() const
    {
        return m_api != RtMidi::UNSPECIFIED && (m_api != RtMidi::UNIX_JACK || JackWatch::serverRunning());
    }

    std::string apiName() const override
    {
        switch (m_api) {
        case RtMidi::LINUX_ALSA: return "ALSA";
        case RtMidi::UNIX_JACK: return "JACK";
        case RtMidi::MACOSX_CORE: return "CoreMIDI";
        default: return {};
        }
    }

    std::vector<SystemPortInfo> list() override
    {
        std::vector<SystemPortInfo> ports;
        if (!usable())
            return ports;
        auto client = makeClient(m_api);
        if (!client)
            return ports;
        for (const std::string& name : portNames(*client))
            ports.push_back({name, portCaps(m_api == RtMidi::LINUX_ALSA, name)});
        return ports;
    }

    std::unique_ptr<MidiOut> open(const std::string& name, int occurrence) override
    {
        if (!usable())
            return nullptr;
        auto out = makeClient(m_api);
        if (!out)
            return nullptr;
        const int index = findPort(*out, name, occurrence);
        if (index < 0)
            return nullptr;

        std::shared_ptr<JackWatch> watch;
        std::vector<std::string> before;
        if (m_api == RtMidi::UNIX_JACK) {
            watch = JackWatch::acquire();
            if (watch)
                before = watch->connections(name);
        }

        try {
            out->openPort(static_cast<unsigned>(index), PortName);
        } catch (const std::exception&) {
            return nullptr;
        }
        // RtMidi opens by position; if the list moved while it did, the port
        // it reached may not be the one asked for.
        if (!out->isPortOpen() || findPort(*out, name, occurrence) != index)
            return nullptr;

        if (watch && !connectionLive(*watch, name, before))
            return nullptr;
        return std::make_unique<RtMidiPortOut>(std::move(out), std::move(watch));
    }

private:
    static int findPort(RtMidiOut& out, const std::string& name, int occurrence)
    {
        const std::vector<std::string> names = portNames(out);
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
    static bool connectionLive(const JackWatch& watch, const std::string& destination,
                               const std::vector<std::string>& before)
    {
        const std::string suffix = std::string(":") + PortName;
        const auto isOurNewPort = [&](const std::string& source) {
            return std::find(before.begin(), before.end(), source) == before.end()
                   && source.rfind(ClientName, 0) == 0 && source.size() > suffix.size()
                   && source.compare(source.size() - suffix.size(), suffix.size(), suffix) == 0;
        };
        const auto deadline = std::chrono::steady_clock::now() + CycleTimeout;
        for (;;) {
            const std::uint64_t cycle = watch.cycles();
            const auto sources = watch.connections(destination);
            if (std::any_of(sources.begin(), sources.end(), isOurNewPort))
                return watch.waitForCycle(cycle + CyclesAfter, CycleTimeout);
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
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
