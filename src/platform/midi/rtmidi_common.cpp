// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/midi/rtmidi_common.h"

#include <thread>

namespace kelodi::rtmidi {

RtMidi::Api chooseApi(const std::function<bool()>& alsaClientWorks)
{
    if (compiled(RtMidi::LINUX_ALSA) && alsaSequencerPresent() && alsaClientWorks())
        return RtMidi::LINUX_ALSA;
    if (compiled(RtMidi::UNIX_JACK))
        return RtMidi::UNIX_JACK;
    if (compiled(RtMidi::MACOSX_CORE))
        return RtMidi::MACOSX_CORE;
    return RtMidi::UNSPECIFIED;
}

std::optional<std::shared_ptr<JackWatch>> watchFor(RtMidi::Api api)
{
    if (api != RtMidi::UNIX_JACK || !JackWatch::supported())
        return std::shared_ptr<JackWatch>();
    std::shared_ptr<JackWatch> watch = JackWatch::acquire();
    if (!watch)
        return std::nullopt;
    return watch;
}

std::optional<NewConnection> awaitNewConnection(const JackWatch& watch, const std::string& device,
                                                const std::vector<std::string>& before, const std::string& portName,
                                                std::chrono::milliseconds timeout)
{
    const auto isOurs = [&](const std::string& port) { return isOurNewPort(port, before, ClientName, portName); };
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const std::uint64_t cycle = watch.cycles();
        const auto ports = watch.connections(device);
        const auto ours = std::find_if(ports.begin(), ports.end(), isOurs);
        if (ours != ports.end())
            return NewConnection{*ours, cycle};
        if (std::chrono::steady_clock::now() >= deadline || !watch.serverAlive())
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace kelodi::rtmidi
