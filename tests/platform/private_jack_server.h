// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/midi/bounded_call.h"
#include "platform/midi/jack_watch.h"
#include "platform/midi/system_ports.h"

namespace kelodi::test {

// A JACK server of the test's own (`jackd -d dummy`), for tests that stop it
// (SIGSTOP), let it go on (SIGCONT) or kill it (SIGKILL), which the suite's
// shared server must never suffer. While it lives it is the process's default
// server, so every JACK client of the test and of the programs it starts
// (jack_midi_dump) use it.
//
// JACK's registry holds eight servers, and a killed server keeps its entry
// until a server of the same name starts again. Names therefore come from a
// small pool (prefix-0 .. prefix-7): a server killed with its test frees its
// entry at the next run. The server dies with the test process.
class PrivateJackServer {
public:
    explicit PrivateJackServer(const std::string& prefix)
    {
        if (const char* before = std::getenv("JACK_DEFAULT_SERVER"))
            m_previousDefault = before;
        ::setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
        m_program = findProgram("jackd");
        for (int slot = 0; slot < 8 && !m_running && !m_program.empty(); ++slot) {
            m_name = prefix + "-" + std::to_string(slot);
            // A lock per name among the tests that run at once; the system
            // lets it go when the test ends, however it ends.
            const std::string lock = "/tmp/kelodi-jack-" + m_name + ".lock";
            m_lock = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
            if (m_lock < 0 || ::flock(m_lock, LOCK_EX | LOCK_NB) != 0) {
                closeLock();
                continue;
            }
            ::setenv("JACK_DEFAULT_SERVER", m_name.c_str(), 1);
            m_pid = spawn();
            m_running = m_pid > 0 && waitUntilAnswering(m_pid);
            if (!m_running) {
                if (m_pid > 0)
                    end(m_pid);
                m_pid = -1;
                closeLock();
            }
        }
    }

    ~PrivateJackServer()
    {
        if (m_pid > 0 && m_stopped) {
            // Calls the program gave up on while the server was stopped end
            // once it runs again; ending it under them would crash libjack.
            ::kill(m_pid, SIGCONT);
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (backgroundServerCalls().load() > 0 && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            // A server that was stopped takes seconds to end cleanly (it
            // waits for the clients it lost meanwhile); killed, it ends at once.
            kill();
        }
        if (m_pid > 0) {
            end(m_pid);
        } else if (m_killed) {
            // Start and end one cleanly under the same name, so the killed
            // server's registry entry is free for others.
            pid_t again = spawn();
            if (again > 0)
                waitUntilAnswering(again);
            if (again > 0)
                end(again);
        }
        closeLock();
        if (m_previousDefault)
            ::setenv("JACK_DEFAULT_SERVER", m_previousDefault->c_str(), 1);
        else
            ::unsetenv("JACK_DEFAULT_SERVER");
    }
    PrivateJackServer(const PrivateJackServer&) = delete;
    PrivateJackServer& operator=(const PrivateJackServer&) = delete;

    // The server started and answered a client.
    bool running() const { return m_running; }
    const std::string& name() const { return m_name; }

    void stop()
    {
        m_stopped = true;
        signal(SIGSTOP);
    }
    // May be called from any thread.
    void resume() const { signal(SIGCONT); }
    // Starts the server again under the same name after kill().
    bool restart()
    {
        if (m_pid > 0 || m_program.empty())
            return false;
        m_pid = spawn();
        m_running = m_pid > 0 && waitUntilAnswering(m_pid);
        if (m_running)
            m_killed = false;
        return m_running;
    }
    void kill()
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGKILL);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        m_killed = true;
    }

private:
    static std::string findProgram(const std::string& name)
    {
        const char* path = std::getenv("PATH");
        std::string folders = path ? path : "/usr/bin:/bin";
        std::size_t start = 0;
        while (start <= folders.size()) {
            const std::size_t end = std::min(folders.find(':', start), folders.size());
            const std::string candidate = folders.substr(start, end - start) + "/" + name;
            if (end > start && ::access(candidate.c_str(), X_OK) == 0)
                return candidate;
            start = end + 1;
        }
        return {};
    }

    void closeLock()
    {
        if (m_lock >= 0)
            ::close(m_lock);
        m_lock = -1;
    }

    pid_t spawn() const
    {
        // Everything the child needs is made before fork(): after it, in a
        // process with threads, only async-signal-safe calls are allowed.
        const std::string& program = m_program;
        // Real-time priority where the system allows it (see scripts/run-tests).
        std::string args[] = {"jackd", "-R", "-P", "10", "-n", m_name, "-d", "dummy", "-r", "48000", "-p", "256"};
        char* argv[std::size(args) + 1] = {};
        for (std::size_t i = 0; i < std::size(args); ++i)
            argv[i] = args[i].data();
        const pid_t parent = ::getpid();
        const pid_t pid = ::fork();
        if (pid == 0) {
            // A test that crashes takes its server with it.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent)
                ::_exit(127);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
            ::execv(program.c_str(), argv);
            ::_exit(127);
        }
        return pid;
    }

    // Until a client can connect; false when the server ended (pid is then
    // -1) or the time is up.
    static bool waitUntilAnswering(pid_t& pid)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!JackWatch::serverRunning()) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return false;
            }
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }

    static void end(pid_t pid)
    {
        ::kill(pid, SIGTERM);
        int status = 0;
        ::waitpid(pid, &status, 0);
    }

    void signal(int number) const
    {
        if (m_pid > 0)
            ::kill(m_pid, number);
    }

    std::string m_program;
    std::string m_name;
    std::optional<std::string> m_previousDefault;
    int m_lock = -1;
    pid_t m_pid = -1;
    bool m_running = false;
    bool m_stopped = false;
    bool m_killed = false;
};

// Starts a private server named from `prefix` into `server` for a test that
// needs one; the reason the test cannot run here, or "" when it can.
inline std::string startPrivateJackServer(std::optional<PrivateJackServer>& server, const std::string& prefix)
{
    if (createSystemPorts()->apiName() != "JACK")
        return "system ports do not use JACK here";
    server.emplace(prefix);
    return server->running() ? "" : "jackd -d dummy did not start";
}

}  // namespace kelodi::test
