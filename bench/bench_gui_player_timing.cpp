// SPDX-License-Identifier: GPL-3.0-or-later
// Player timing through the Qt driver: a replay of 2,000 events with delays of
// 5-50 ms, fired by PlayerDriver from the event loop into a key path that
// stamps each event. Prints how late each event fired against its due time
// (the previous event's firing plus its delay) and the CPU time the process
// used during the replay.
//
//   bench_gui_player_timing [EVENTS]

#include <sys/resource.h>

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "core/recording/clock.h"
#include "core/recording/key_presser.h"
#include "core/recording/recording_controller.h"
#include "core/recording/recording_ui.h"
#include "gui/recording/player_driver.h"
#include "platform/files/atomic_file.h"
#include "platform/text/system_text_codec.h"

namespace {

using namespace kelodi;

class StampingKeys : public KeyPresser {
public:
    explicit StampingKeys(const Clock& clock) : m_clock(clock) {}
    void pressKey(int) override { stamps.push_back(m_clock.now()); }
    void releaseKey(int key, ReleaseReport) override
    {
        if (key == 0)
            stamps.push_back(m_clock.now());
    }
    void setReleasesRecorded(bool recorded) override { m_releasesRecorded = recorded; }
    bool releasesRecorded() const override { return m_releasesRecorded; }

    std::vector<double> stamps;

private:
    const Clock& m_clock;
    bool m_releasesRecorded = true;
};

class NoUi : public RecordingUi {
public:
    void setButtonEnabled(RecorderButton, bool) override {}
    std::optional<std::filesystem::path> chooseSavePath() override { return std::nullopt; }
    std::optional<std::filesystem::path> chooseOpenPath() override { return std::nullopt; }
    bool askYesNo(std::string_view) override { return false; }
    void showMessage(std::string_view) override {}
    bool repeatChecked() const override { return false; }
};

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;

    SteadyClock clock;
    PlayerDriver driver(clock);
    StampingKeys keys(clock);
    NoUi ui;
    RecordingController controller(keys, ui, driver, clock, systemTextCodec(), atomicFileSaver());

    std::mt19937 random(7);
    std::uniform_int_distribution<int> delayMs(5, 50);
    std::uniform_int_distribution<int> key(0, 43);
    RecordingEvents events;
    for (int i = 0; i < count; ++i) {
        const float delay = static_cast<float>(delayMs(random)) / 1000.0f;
        events.append(i % 2 ? KeyEvent::releaseAll(delay) : KeyEvent::press(delay, key(random)));
    }
    controller.setEvents(events);

    double start = 0;
    double cpuStart = 0;
    QTimer::singleShot(0, [&] {
        cpuStart = cpuSeconds();
        start = clock.now();
        controller.click(RecorderButton::Replay);
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!controller.isPlaying() && start > 0)
            app.quit();
    });
    poll.start(100);
    app.exec();
    const double wall = clock.now() - start;
    const double cpu = cpuSeconds() - cpuStart;

    // The stop at the end adds one more release stamp; only the events count.
    std::vector<double> lateness;
    double previous = start;
    for (int i = 0; i < count; ++i) {
        const double fired = keys.stamps[static_cast<std::size_t>(i)];
        lateness.push_back((fired - (previous + static_cast<double>(events[static_cast<std::size_t>(i)].delay))) * 1000.0);
        previous = fired;
    }
    std::printf("%d events, delays 5-50 ms, replay took %.2f s\n", count, wall);
    std::printf("lateness against due time: median %.3f ms, p99 %.3f ms, max %.3f ms, min %.3f ms\n",
                percentile(lateness, 0.5), percentile(lateness, 0.99), percentile(lateness, 1.0),
                percentile(lateness, 0.0));
    std::printf("CPU time during the replay: %.3f s = %.2f%% of one core\n", cpu, 100.0 * cpu / wall);
    return 0;
}
