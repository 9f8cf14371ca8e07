// SPDX-License-Identifier: GPL-3.0-or-later
// Player timing of the score tool's `play`: 1,000 events with delays of
// 5-50 ms, fired by the blocking scheduler into a player whose key presses
// are stamped. Prints how late each event fired against its due time (the
// previous event's firing plus its delay) and the CPU time used.
//
//   bench_cli_play_timing [EVENTS]

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "cli/blocking_scheduler.h"
#include "core/recording/clock.h"
#include "core/recording/key_presser.h"
#include "core/recording/player.h"

namespace {

using namespace kelodi;

class StampingKeys : public KeyPresser {
public:
    explicit StampingKeys(const Clock& clock) : m_clock(clock) {}
    void pressKey(int) override { stamps.push_back(m_clock.now()); }
    void releaseKey(int, ReleaseReport) override {}
    void setReleasesRecorded(bool) override {}
    bool releasesRecorded() const override { return false; }
    std::vector<double> stamps;

private:
    const Clock& m_clock;
};

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

}  // namespace

int main(int argc, char* argv[])
{
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    std::mt19937 random(7);
    std::uniform_real_distribution<float> delay(0.005f, 0.050f);
    RecordingEvents events;
    for (int i = 0; i < count; ++i)
        events.append(KeyEvent::press(delay(random), i % 44));

    SteadyClock clock;
    std::atomic<bool> stop{false};
    cli::BlockingScheduler scheduler(clock, stop);
    StampingKeys keys(clock);
    Player player(keys);
    std::function<void()> fire = [&] {
        player.fireDue(clock.now());
        if (const std::optional<double> due = player.nextDueTime())
            scheduler.callAt(*due, fire);
    };
    const double start = clock.now();
    const double cpuStart = cpuSeconds();
    player.start(events, start);
    scheduler.callAt(*player.nextDueTime(), fire);
    scheduler.run();
    const double wall = clock.now() - start;
    const double cpu = cpuSeconds() - cpuStart;

    std::vector<double> late;
    double previous = start;
    for (std::size_t i = 0; i < keys.stamps.size(); ++i) {
        late.push_back((keys.stamps[i] - previous - events[i].delay) * 1e6);
        previous = keys.stamps[i];
    }
    std::sort(late.begin(), late.end());
    auto at = [&](double q) { return late[std::min(late.size() - 1, static_cast<std::size_t>(q * late.size()))]; };
    std::printf("events %zu over %.1f s: late median %.0f us, 90%% %.0f us, 99%% %.0f us, max %.0f us; "
                "over 1 ms: %zu; CPU %.1f%% of the wall time\n",
                late.size(), wall, at(0.5), at(0.9), at(0.99), late.back(),
                static_cast<std::size_t>(std::count_if(late.begin(), late.end(), [](double l) { return l > 1000; })),
                100.0 * cpu / wall);
    return 0;
}
