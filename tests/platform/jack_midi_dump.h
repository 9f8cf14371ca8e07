// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/midi/short_message.h"
#include "platform/midi/system_ports.h"

extern char** environ;

namespace kelodi::test {

// jack_midi_dump, started as a real external MIDI device: a JACK client with
// one MIDI input port "<client>:input" that prints every event it receives.
// Its waits are bounds for a loaded machine, never a pace: they end as soon
// as what is waited for has happened.
// Two dumps asked for the same client name need different `outputName`s; the
// server then gives the second client a name of its own.
class JackMidiDump {
public:
    explicit JackMidiDump(std::string client, const std::string& outputName = {}) : m_client(std::move(client))
    {
        m_output = std::filesystem::temp_directory_path() / ((outputName.empty() ? m_client : outputName) + ".txt");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, m_output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        std::string program = "jack_midi_dump";
        char* argv[] = {program.data(), m_client.data(), nullptr};
        // Its reader thread takes what arrives from a small ring buffer and
        // drops what no longer fits: on a busy machine it runs at real-time
        // priority where the system allows that, so that it keeps up.
        posix_spawnattr_t realTime;
        posix_spawnattr_init(&realTime);
        sched_param priority{};
        priority.sched_priority = 1;
        posix_spawnattr_setschedpolicy(&realTime, SCHED_RR);
        posix_spawnattr_setschedparam(&realTime, &priority);
        posix_spawnattr_setflags(&realTime, POSIX_SPAWN_SETSCHEDULER);
        m_started = posix_spawnp(&m_pid, "jack_midi_dump", &actions, &realTime, argv, environ) == 0
                    || posix_spawnp(&m_pid, "jack_midi_dump", &actions, nullptr, argv, environ) == 0;
        posix_spawnattr_destroy(&realTime);
        posix_spawn_file_actions_destroy(&actions);
    }
    ~JackMidiDump()
    {
        stop();
        std::filesystem::remove(m_output);
    }
    JackMidiDump(const JackMidiDump&) = delete;
    JackMidiDump& operator=(const JackMidiDump&) = delete;

    std::string port() const { return m_client + ":input"; }

    static constexpr std::chrono::seconds Patience{30};

    // Waits until the dump's port is listed; false when it never appears.
    bool waitForPort(SystemPorts& ports, bool present = true) const
    {
        const auto deadline = std::chrono::steady_clock::now() + Patience;
        while (m_started) {
            bool found = false;
            for (const auto& info : ports.list())
                found = found || info.name == port();
            if (found == present)
                return true;
            if (std::chrono::steady_clock::now() >= deadline)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    void stop()
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
    }

    // The bytes of every event received so far, one message per event, once
    // at least `expected` events have arrived or the time is up.
    std::vector<std::vector<int>> events(std::size_t expected) const
    {
        const auto deadline = std::chrono::steady_clock::now() + Patience;
        std::vector<std::vector<int>> result = parse();
        while (result.size() < expected && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            result = parse();
        }
        return result;
    }

private:
    // Lines look like "   0: b0 07 64 control change (channel  0): ...": a
    // time, then the bytes in hex, then a description.
    std::vector<std::vector<int>> parse() const
    {
        std::vector<std::vector<int>> result;
        std::ifstream in(m_output);
        std::string line;
        while (std::getline(in, line)) {
            const auto colon = line.find(':');
            if (colon == std::string::npos)
                continue;
            std::istringstream words(line.substr(colon + 1));
            std::vector<int> bytes;
            std::string word;
            while (words >> word && word.size() == 2 && std::isxdigit(static_cast<unsigned char>(word[0]))
                   && std::isxdigit(static_cast<unsigned char>(word[1])))
                bytes.push_back(std::stoi(word, nullptr, 16));
            if (!bytes.empty())
                result.push_back(bytes);
        }
        return result;
    }

    std::string m_client;
    std::filesystem::path m_output;
    pid_t m_pid = -1;
    bool m_started = false;
};

// Opening a JACK port gives up after 2 s without a live connection, and a
// loaded machine may take longer to make one: tests open again until the
// port opens or the patience runs out. `open` gives a port or a bool.
template <typename Open>
auto openPatiently(Open open) -> decltype(open())
{
    const auto deadline = std::chrono::steady_clock::now() + JackMidiDump::Patience;
    for (;;) {
        auto opened = open();
        if (opened || std::chrono::steady_clock::now() >= deadline)
            return opened;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

// The bytes a short message puts on the wire.
inline std::vector<int> wireBytes(ShortMessage m)
{
    std::vector<int> bytes{statusByte(m), dataByte1(m)};
    if (shortMessageLength(m) == 3)
        bytes.push_back(dataByte2(m));
    return bytes;
}

}  // namespace kelodi::test
