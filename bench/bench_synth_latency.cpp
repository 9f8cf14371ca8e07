// SPDX-License-Identifier: GPL-3.0-or-later
// How small an audio period the embedded synthesizer keeps up with: the synth
// plays through a private dummy JACK server (44.1 kHz) at periods of 128 and
// 256 frames while chords are played at a high rate, and the figures are the
// xruns JACK reported, the CPU the render thread used (per period and as a
// share of one core) and JACK's DSP load. Each period runs in a fresh process
// with its own server; neither the server nor the synth run with real-time
// priority, so other programs on the machine show up as xruns. A run with the
// synth connected but no key played gives the xruns that are not the synth's
// doing.
//
//   bench_synth_latency [SECONDS] [PERIOD...]

#include <jack/jack.h>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "core/midi/short_message.h"
#include "core/recording/song_export.h"
#include "platform/midi/device_catalog.h"
#include "platform/midi/soundfont_search.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using kelodi::SampleRate;
// One chord of four notes on two channels (piano and strings) every 20 ms,
// each held 200 ms: about 80 notes sounding at once, with their release tails.
constexpr auto ChordEvery = 20ms;
constexpr int HeldChords = 10;

struct ThreadTime {
    std::string name;
    double seconds = 0;
};

// CPU time of each thread of this process, from the scheduler's own count.
std::map<int, ThreadTime> threadTimes()
{
    std::map<int, ThreadTime> times;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
        const int tid = std::stoi(entry.path().filename().string());
        std::ifstream schedstat(entry.path() / "schedstat");
        std::ifstream comm(entry.path() / "comm");
        double ns = 0;
        ThreadTime t;
        if (schedstat >> ns && std::getline(comm, t.name)) {
            t.seconds = ns / 1e9;
            times[tid] = t;
        }
    }
    return times;
}

int countXrun(void* counter)
{
    static_cast<std::atomic<int>*>(counter)->fetch_add(1);
    return 0;
}

int child(double seconds, bool play)
{
    kelodi::MidiSetup setup;
    setup.audioDriver = "jack";
    auto devices = kelodi::createMidiDeviceList(setup);
    auto out = devices->open(kelodi::MidiMapperId);
    if (!out || !devices->waitForSoundFont(60s)) {
        std::fprintf(stderr, "the synth does not play through JACK: %s\n", devices->synthProblem().c_str());
        return 1;
    }
    jack_client_t* watch = jack_client_open("kelodi-xrun-watch", JackNoStartServer, nullptr);
    if (!watch) {
        std::fprintf(stderr, "cannot watch the JACK server\n");
        return 1;
    }
    std::atomic<int> xruns{0};
    jack_set_xrun_callback(watch, countXrun, &xruns);
    jack_activate(watch);
    const jack_nframes_t period = jack_get_buffer_size(watch);

    // Select both programs and sound them once, so their samples are in
    // memory before anything is measured.
    out->send(kelodi::programChangeMessage(0, 0));
    out->send(kelodi::programChangeMessage(1, 48));
    for (int channel = 0; channel < 2; ++channel)
        for (int note = 36; note < 96; note += 3) {
            out->send(kelodi::noteOnMessage(channel, note));
            out->send(kelodi::noteOffMessage(channel, note));
        }
    std::this_thread::sleep_for(1500ms);
    xruns = 0;

    const int mainTid = static_cast<int>(::gettid());
    const auto before = threadTimes();
    const auto start = Clock::now();
    std::vector<int> held;
    double loadSum = 0;
    double loadMax = 0;
    int loadSamples = 0;
    int chords = 0;
    for (auto next = start; Clock::now() - start < std::chrono::duration<double>(seconds); next += ChordEvery) {
        std::this_thread::sleep_until(next);
        if (chords % 5 == 0) {
            const double load = jack_cpu_load(watch);
            loadSum += load;
            loadMax = std::max(loadMax, load);
            ++loadSamples;
        }
        ++chords;
        if (!play)
            continue;
        const int root = 36 + (chords * 7) % 48;
        for (int channel = 0; channel < 2; ++channel)
            for (int offset : {0, 4, 7, 11})
                out->send(kelodi::noteOnMessage(channel, root + offset));
        held.push_back(root);
        if (static_cast<int>(held.size()) > HeldChords) {
            for (int channel = 0; channel < 2; ++channel)
                for (int offset : {0, 4, 7, 11})
                    out->send(kelodi::noteOffMessage(channel, held.front() + offset));
            held.erase(held.begin());
        }
    }
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const auto after = threadTimes();
    const int seenXruns = xruns.load();

    // The render thread is the busiest thread that is not the one playing.
    ThreadTime render;
    for (const auto& [tid, t] : after) {
        const auto was = before.find(tid);
        const double used = t.seconds - (was == before.end() ? 0.0 : was->second.seconds);
        if (tid != mainTid && used > render.seconds)
            render = {t.name, used};
    }
    out->reset();
    jack_client_close(watch);
    const double periods = wall * SampleRate / period;
    std::printf("%u %d %.3f %.2f %.1f %.1f %d %s\n", period, seenXruns, 100.0 * render.seconds / wall,
                1e6 * render.seconds / periods, loadSamples ? loadSum / loadSamples : 0.0, loadMax, chords,
                render.name.c_str());
    return 0;
}

bool serverAnswers(const std::string& name)
{
    jack_status_t status{};
    jack_client_t* probe =
        jack_client_open("kelodi-probe", static_cast<jack_options_t>(JackNoStartServer | JackServerName), &status,
                         name.c_str());
    if (!probe)
        return false;
    jack_client_close(probe);
    return true;
}

pid_t spawn(const std::vector<std::string>& args, const char* output)
{
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc > 3 && std::string(argv[1]) == "--child")
        return child(std::atof(argv[2]), std::string(argv[3]) == "chords");
    if (kelodi::findSoundFont({}).empty()) {
        std::printf("bench_synth_latency: no GM SoundFont installed; nothing to measure\n");
        return 0;
    }
    const double seconds = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 10.0;
    std::vector<int> periods;
    for (int i = 2; i < argc; ++i)
        periods.push_back(std::atoi(argv[i]));
    if (periods.empty())
        periods = {128, 256};

    std::printf("synth through a dummy JACK server at %d Hz, a chord of 4 notes on 2 channels every %lld ms,\n"
                "each held %lld ms, for %.0f s per period (not real-time; the machine may be shared)\n",
                SampleRate, static_cast<long long>(ChordEvery.count()),
                static_cast<long long>(ChordEvery.count() * HeldChords), seconds);
    // The probes that wait for a server would print JACK's complaints.
    jack_set_error_function([](const char*) {});
    jack_set_info_function([](const char*) {});
    std::printf("%7s %9s %-8s %6s %12s %15s %14s %8s\n", "period", "latency", "keys", "xruns", "render CPU",
                "CPU per period", "JACK DSP load", "(max)");
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    const std::string output =
        (std::filesystem::temp_directory_path() / ("kelodi-latency-" + std::to_string(::getpid()))).string();
    for (const int period : periods) {
        const std::string server = "kelodi-latency-" + std::to_string(::getpid()) + "-" + std::to_string(period);
        const pid_t jackd = spawn({"jackd", "--no-realtime", "-n", server, "-d", "dummy", "-r",
                                   std::to_string(SampleRate), "-p", std::to_string(period)},
                                  "/dev/null");
        if (jackd < 0) {
            std::printf("bench_synth_latency: jackd cannot be started; nothing to measure\n");
            return 0;
        }
        bool up = false;
        for (int i = 0; i < 100 && !(up = serverAnswers(server)); ++i)
            std::this_thread::sleep_for(100ms);
        ::setenv("JACK_DEFAULT_SERVER", server.c_str(), 1);
        for (const char* mode : {"idle", "chords"}) {
            std::filesystem::remove(output);
            if (up) {
                const pid_t run = spawn({self, "--child", std::to_string(seconds), mode}, output.c_str());
                int status = 0;
                if (run > 0)
                    ::waitpid(run, &status, 0);
            }
            std::ifstream result(output);
            unsigned frames = 0;
            int xruns = 0;
            double cpu = 0, perPeriod = 0, load = 0, loadMax = 0;
            int chords = 0;
            std::string thread;
            if (!(result >> frames >> xruns >> cpu >> perPeriod >> load >> loadMax >> chords >> thread)) {
                std::printf("%7d  (no figures: the server or the synth did not run)\n", period);
                continue;
            }
            std::printf("%7u %6.1f ms %-8s %6d %10.1f %% %12.1f us %13.1f %% %6.1f %%\n", frames,
                        1000.0 * frames / SampleRate, mode, xruns, cpu, perPeriod, load, loadMax);
        }
        ::kill(jackd, SIGTERM);
        ::waitpid(jackd, nullptr, 0);
    }
    std::filesystem::remove(output);
    std::printf("(latency: one period of the server; \"render CPU\": the synth's JACK thread, share of one core)\n");
    return 0;
}
