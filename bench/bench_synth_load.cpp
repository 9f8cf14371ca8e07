// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up cost of the embedded synthesizer: how long creating the device list
// blocks the caller (the window waits for that), how long until the SoundFont
// is loaded and the start-up instrument is ready, and the resident memory
// then. Each run is a fresh process, so nothing is cached in the synth and the
// memory figure is the process's own.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "core/midi/short_message.h"
#include "platform/midi/device_catalog.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* FluidR3 = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
constexpr int Runs = 10;

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

int child(const std::string& wav)
{
    const auto start = Clock::now();
    kelodi::MidiSetup setup;
    setup.soundFont = FluidR3;
    setup.audioFile = wav;
    auto devices = kelodi::createMidiDeviceList(setup);
    const auto created = Clock::now();
    auto out = devices->open(kelodi::MidiMapperId);
    if (!out) {
        std::fprintf(stderr, "cannot open the synth: %s\n", devices->synthProblem().c_str());
        return 1;
    }
    // The keyboard's start-up instrument, chosen before the load completes.
    out->send(kelodi::programChangeMessage(0, 9));
    const auto opened = Clock::now();
    if (!devices->waitForSoundFont(std::chrono::seconds(60))) {
        std::fprintf(stderr, "SoundFont did not load: %s\n", devices->synthProblem().c_str());
        return 1;
    }
    const auto loaded = Clock::now();
    std::printf("%.3f %.3f %.3f %ld\n", ms(created - start), ms(opened - start), ms(loaded - start),
                residentKiB());
    return 0;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string wav = (std::filesystem::temp_directory_path() / ("kelodi-bench-load-" + std::to_string(::getpid()) + ".wav")).string();
    if (argc > 1 && std::string(argv[1]) == "--child")
        return child(argv[2]);
    if (!std::filesystem::exists(FluidR3)) {
        std::printf("bench_synth_load: %s is not installed; nothing to measure\n", FluidR3);
        return 0;
    }
    std::vector<double> create, open, load, rss;
    for (int run = 0; run < Runs; ++run) {
        const std::string command = std::string("\"") + argv[0] + "\" --child \"" + wav + "\"";
        FILE* pipe = ::popen(command.c_str(), "r");
        double c = 0, o = 0, l = 0;
        long r = 0;
        const bool ok = pipe && std::fscanf(pipe, "%lf %lf %lf %ld", &c, &o, &l, &r) == 4;
        if (pipe)
            ::pclose(pipe);
        if (!ok) {
            std::printf("run %d failed\n", run);
            continue;
        }
        create.push_back(c);
        open.push_back(o);
        load.push_back(l);
        rss.push_back(double(r) / 1024.0);
    }
    std::filesystem::remove(wav);
    if (load.empty())
        return 1;
    std::printf("SoundFont: %s, audio to a WAV file, %zu fresh processes (median, min-max)\n", FluidR3,
                load.size());
    const auto row = [](const char* what, const std::vector<double>& v, const char* unit) {
        std::printf("  %-44s %8.1f %s  (%.1f-%.1f)\n", what, median(v), unit, *std::min_element(v.begin(), v.end()),
                    *std::max_element(v.begin(), v.end()));
    };
    row("device list created (caller blocked)", create, "ms");
    row("mapper opened, program 9 sent", open, "ms");
    row("SoundFont loaded, program 9 ready", load, "ms");
    row("resident memory after the load (VmRSS)", rss, "MiB");
    return 0;
}
