// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kelodi {

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

    // Process cycles the server has run since the watcher started.
    std::uint64_t cycles() const;

    // False once the server has shut down or died (JACK's shutdown callback);
    // a watcher never comes back to life, acquire() makes a new one.
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
