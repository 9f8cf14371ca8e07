// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of one send() through each output backend, as the keyboard uses it:
// chords of five notes a few milliseconds apart. Also the whole channel
// restore burst (112 messages) that follows a device switch.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/midi/short_message.h"
#include "platform/midi/device_catalog.h"
#include "platform/midi/jack_watch.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int Chords = 400;

struct Figures {
    std::vector<double> sendMicros;
    double restoreMs = 0;
};

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * double(v.size())))];
}

Figures measure(kelodi::MidiOut& out)
{
    Figures f;
    const auto restoreStart = Clock::now();
    for (int channel = 0; channel < 16; ++channel) {
        out.send(kelodi::programChangeMessage(channel, 0));
        for (int controller : {7, 10, 91, 93, 1, 64})
            out.send(kelodi::controlChangeMessage(channel, controller, controller == 7 ? 100 : 0));
    }
    f.restoreMs = std::chrono::duration<double, std::milli>(Clock::now() - restoreStart).count();

    const auto timed = [&](kelodi::ShortMessage m) {
        const auto t0 = Clock::now();
        out.send(m);
        f.sendMicros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    };
    for (int chord = 0; chord < Chords; ++chord) {
        const int root = 48 + chord % 24;
        for (int i = 0; i < 5; ++i)
            timed(kelodi::noteOnMessage(0, root + 3 * i));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        for (int i = 0; i < 5; ++i)
            timed(kelodi::noteOffMessage(0, root + 3 * i));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    out.reset();
    return f;
}

void report(const char* backend, const Figures& f)
{
    std::printf("  %-28s send median %7.2f us, p99 %7.2f us, max %8.2f us; 112-message restore %.2f ms\n", backend,
                percentile(f.sendMicros, 0.5), percentile(f.sendMicros, 0.99), percentile(f.sendMicros, 1.0),
                f.restoreMs);
}

}  // namespace

int main()
{
    std::printf("%d chords of 5 notes on and off (%d sends per backend)\n", Chords, Chords * 10);
    const auto wav = std::filesystem::temp_directory_path() / ("kelodi-bench-send-" + std::to_string(::getpid()) + ".wav");
    {
        kelodi::MidiSetup setup;
        setup.audioFile = wav.string();
        auto devices = kelodi::createMidiDeviceList(setup);
        if (devices->waitForSoundFont(std::chrono::seconds(60))) {
            auto out = devices->open(devices->synthDeviceId());
            report("embedded synth (FluidSynth)", measure(*out));
        } else {
            std::printf("  embedded synth: not available (%s)\n", devices->synthProblem().c_str());
        }
    }
    std::filesystem::remove(wav);

    if (!kelodi::JackWatch::acquire()) {
        std::printf("  JACK port: no JACK server runs (scripts/run-bench starts one)\n");
        return 0;
    }
    const std::string client = "kelodi-bench-dump-" + std::to_string(::getpid());
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::string program = "jack_midi_dump";
    std::string name = client;
    char* argv[] = {program.data(), name.data(), nullptr};
    pid_t dump = -1;
    if (posix_spawnp(&dump, "jack_midi_dump", &actions, nullptr, argv, environ) != 0) {
        std::printf("  JACK port: jack_midi_dump could not be started\n");
        return 0;
    }
    posix_spawn_file_actions_destroy(&actions);

    kelodi::MidiSetup portsOnly;
    portsOnly.soundFont = "/nonexistent.sf2";
    int id = -1;
    std::unique_ptr<kelodi::MidiDeviceCatalog> devices;
    for (int attempt = 0; attempt < 100 && id < 0; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        devices = kelodi::createMidiDeviceList(portsOnly);
        for (int i = 0; i < devices->count(); ++i)
            if (devices->deviceName(i) == client + ":input")
                id = i;
    }
    if (id >= 0) {
        const auto openStart = Clock::now();
        auto out = devices->open(id);
        const double openMs = std::chrono::duration<double, std::milli>(Clock::now() - openStart).count();
        if (out) {
            report("JACK port (RtMidi)", measure(*out));
            const auto closeStart = Clock::now();
            out->close();
            std::printf("  JACK port open %.2f ms (until the connection carries data), close %.2f ms (queue drained)\n",
                        openMs, std::chrono::duration<double, std::milli>(Clock::now() - closeStart).count());
        } else {
            std::printf("  JACK port: %s did not open\n", client.c_str());
        }
    } else {
        std::printf("  JACK port: the dump's port never appeared\n");
    }
    ::kill(dump, SIGTERM);
    ::waitpid(dump, nullptr, 0);
    return 0;
}
