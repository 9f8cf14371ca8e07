// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kelodi {

// libjack frees, at the next jack_client_open after any JACK server of the
// process has died, every client the process still holds (of any server),
// and a call on one of those is a call on freed memory. So every call that
// opens, uses or closes a JACK client is made under jackLibraryLock(), with
// the client's generation checked first: a client opened in an earlier
// generation than jackClientGeneration() is gone and is never touched again.
// A client whose server has died is not touched either (nor closed): that
// freeing takes care of it.
// (The lock is never destroyed: a call that ends while the process exits may
// still take it.)
inline std::mutex& jackLibraryMutex()
{
    static auto* mutex = new std::mutex;
    return *mutex;
}
inline std::unique_lock<std::mutex> jackLibraryLock()
{
    return std::unique_lock(jackLibraryMutex());
}
// The same when it is free at once; check owns_lock().
inline std::unique_lock<std::mutex> jackLibraryLock(std::try_to_lock_t)
{
    return std::unique_lock(jackLibraryMutex(), std::try_to_lock);
}
// Counts the times libjack has freed the process's clients (always 0 in a
// build without libjack's headers).
std::uint64_t jackClientGeneration();

// Keeps what belonged to a JACK client that can no longer be closed (its
// server died, or libjack freed it) to the end of the process: its callbacks
// may still hold it, and destroying it would call the client.
// (Neither the list nor its lock is ever destroyed: a call that ends while
// the process exits may still come here.)
template <typename T>
void keepForGood(T* thing)
{
    if (!thing)
        return;
    static auto* mutex = new std::mutex;
    static auto* kept = new std::vector<T*>;
    std::lock_guard lock(*mutex);
    kept->push_back(thing);
}
template <typename T>
void keepForGood(std::unique_ptr<T> thing)
{
    keepForGood(thing.release());
}

// A JACK client of our own, with no ports, that sees the server's graph and
// counts its process cycles. RtMidi neither reports whether its connection
// was made nor waits for it to carry data, so opening a JACK port checks the
// connection here and waits until a cycle has run with it; closing waits for
// a cycle to drain what was queued.
class JackWatch {
public:
    // The process's watcher, shared while anyone holds it; nullptr when no
    // JACK server runs or JACK support was not built.
    static std::shared_ptr<JackWatch> acquire();

    // Questions about the default server are asked through one client of
    // ours that is never activated and is kept while its server runs: it
    // stays out of the process graph, and after the first question no client
    // comes and goes (every client of the server hears of each one).

    // Whether a JACK client can connect now; true when this build cannot tell.
    static bool serverRunning();

    // The full names of the MIDI ports that take input, in the server's order
    // (the order RtMidi's JACK backend numbers them in); nullopt when no
    // server runs.
    static std::optional<std::vector<std::string>> midiDestinations();
    // The same for the MIDI ports that give output (keyboards, sequencers).
    static std::optional<std::vector<std::string>> midiSources();

    // False in a build without libjack's headers: nothing is watched or
    // asked (acquire() gives nothing, serverRunning() says yes, and
    // midiDestinations() knows of no port), so JACK is used blind.
    static bool supported();

    // Keeps libjack's own messages ("Cannot connect to server socket", ...)
    // off stderr: a missing JACK server is an ordinary state, not an error.
    // Process-wide; call before the first JACK client is opened.
    static void quietLibraryMessages();

    ~JackWatch();
    JackWatch(const JackWatch&) = delete;
    JackWatch& operator=(const JackWatch&) = delete;

    // Full names of the ports connected to port (empty when it does not exist).
    std::vector<std::string> connections(const std::string& port) const;

    // Whether source is connected to destination; nullopt when that cannot be
    // told without waiting (another call to libjack is under way).
    std::optional<bool> connectedNow(const std::string& source, const std::string& destination) const;

    // Counts the ports that went away and the connections that were undone
    // in the server's graph since the watcher started.
    std::uint64_t graphLosses() const;

    // Process cycles the server has run since the watcher started.
    std::uint64_t cycles() const;

    // False once the server has shut down or died (JACK's shutdown callback),
    // or libjack has freed the watcher's client (see jackLibraryLock); a
    // watcher never comes back to life, acquire() makes a new one.
    bool serverAlive() const;

    // Waits until cycles() reaches target; false when the server stopped or
    // the time ran out first.
    bool waitForCycle(std::uint64_t target, std::chrono::milliseconds timeout) const;

    struct Impl;

private:
    explicit JackWatch(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

}  // namespace kelodi
