// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#include <rtmidi/RtMidi.h>

// What the RtMidi output and input backends share.
namespace kelodi::rtmidi {

// Whether an error RtMidi reports is an ordinary state rather than news: its
// debugging notes, and the JACK backend finding no server (the server may
// stop between asking whether it runs and the call).
inline bool expectedRtMidiError(RtMidiError::Type type, const std::string& message)
{
    return type == RtMidiError::DEBUG_WARNING
           || (type == RtMidiError::WARNING && message.find("JACK server not running") != std::string::npos);
}

// Without a callback RtMidi throws from any call that fails, sendMessage
// included. Failures are handled where they matter instead (a port that is
// not open afterwards, a connection that never appears); what RtMidi says
// about them goes to stderr for whoever diagnoses the machine.
inline void reportRtMidiError(RtMidiError::Type type, const std::string& message, void*)
{
    if (!expectedRtMidiError(type, message))
        std::fprintf(stderr, "rtmidi: %s\n", message.c_str());
}

// RtMidi's ALSA backend reports a missing sequencer on stderr before it
// throws; a machine without the device file has none.
inline bool alsaSequencerPresent()
{
    std::error_code error;
    return std::filesystem::exists("/dev/snd/seq", error);
}

inline bool compiled(RtMidi::Api api)
{
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    return std::find(apis.begin(), apis.end(), api) != apis.end();
}

// The name of the MIDI layer an API stands for, as the device lists report it.
inline std::string apiName(RtMidi::Api api)
{
    switch (api) {
    case RtMidi::LINUX_ALSA: return "ALSA";
    case RtMidi::UNIX_JACK: return "JACK";
    case RtMidi::MACOSX_CORE: return "CoreMIDI";
    default: return {};
    }
}

// Whether `port` is a port of ours called `portName` (client `clientName`,
// or the numbered name JACK gives a second client of that name) that was not
// among the connections seen `before`.
inline bool isOurNewPort(const std::string& port, const std::vector<std::string>& before, const std::string& clientName,
                         const std::string& portName)
{
    const std::string suffix = ":" + portName;
    return std::find(before.begin(), before.end(), port) == before.end() && port.rfind(clientName, 0) == 0
           && port.size() > suffix.size() && port.compare(port.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The full names of the JACK ports Kelodi has open itself. They are never
// offered as devices: the program would play into itself.
class OwnPorts {
public:
    static void add(const std::string& name) { change(name, true); }
    static void remove(const std::string& name) { change(name, false); }
    static std::vector<std::string> without(std::vector<std::string> names)
    {
        std::lock_guard lock(mutex());
        names.erase(std::remove_if(names.begin(), names.end(),
                                   [](const std::string& name) {
                                       return std::find(list().begin(), list().end(), name) != list().end();
                                   }),
                    names.end());
        return names;
    }

private:
    static void change(const std::string& name, bool add)
    {
        if (name.empty())
            return;
        std::lock_guard lock(mutex());
        const auto found = std::find(list().begin(), list().end(), name);
        if (add && found == list().end())
            list().push_back(name);
        else if (!add && found != list().end())
            list().erase(found);
    }
    // Never destroyed: a port may close in the background as the process ends.
    static std::mutex& mutex()
    {
        static auto* m = new std::mutex;
        return *m;
    }
    static std::vector<std::string>& list()
    {
        static auto* l = new std::vector<std::string>;
        return *l;
    }
};

}  // namespace kelodi::rtmidi
