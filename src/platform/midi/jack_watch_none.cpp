// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/midi/jack_watch.h"

// Built when libjack's headers are absent: there is nothing to watch with, and
// JACK ports are opened without the connection check.
namespace kelodi {

struct JackWatch::Impl {};

std::uint64_t jackClientGeneration()
{
    return 0;
}

std::shared_ptr<JackWatch> JackWatch::acquire()
{
    return nullptr;
}

bool JackWatch::serverRunning()
{
    return true;
}

std::optional<std::vector<std::string>> JackWatch::midiDestinations()
{
    return std::nullopt;
}

std::optional<std::vector<std::string>> JackWatch::midiSources()
{
    return std::nullopt;
}

bool JackWatch::supported()
{
    return false;
}

void JackWatch::quietLibraryMessages() {}

JackWatch::JackWatch(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

JackWatch::~JackWatch() = default;

std::vector<std::string> JackWatch::connections(const std::string&) const
{
    return {};
}

std::optional<bool> JackWatch::connectedNow(const std::string&, const std::string&) const
{
    return true;
}

std::uint64_t JackWatch::graphLosses() const
{
    return 0;
}

std::uint64_t JackWatch::cycles() const
{
    return 0;
}

bool JackWatch::serverAlive() const
{
    return true;
}

bool JackWatch::waitForCycle(std::uint64_t, std::chrono::milliseconds) const
{
    return false;
}

}  // namespace kelodi
