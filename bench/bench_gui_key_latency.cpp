// SPDX-License-Identifier: GPL-3.0-or-later
// Key-to-port latency through the real main window: from a key event handed
// to the window to the last message handed to the port, chord type 3 (four
// notes per press and per release), over 10,000 presses and releases. Also the
// whole handling of each key event (until the window returns from it).
//
// Three runs: no replay; follow-along practice where every press of W is the
// awaited key (the song moves on, the next key is marked, the score
// highlight and figures change); practice where every W is a wrong key.
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "core/midi/midi_port.h"
#include "core/recording/recording_controller.h"
#include "gui/app/main_window.h"
#include "gui/practice/practice_panel.h"
#include "gui/practice/score_window.h"
#include "gui/recording/recording_panel.h"
#include "gui_bench_window.h"

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point lastSend;

class TimedOut : public kelodi::MidiOut {
public:
    void send(kelodi::ShortMessage) override { lastSend = Clock::now(); }
    void reset() override {}
    void close() override {}
};

class TimedDevices : public kelodi::MidiDeviceList {
public:
    int count() const override { return 1; }
    kelodi::MidiDeviceCaps caps(int) const override { return {}; }
    std::unique_ptr<kelodi::MidiOut> open(int) override { return std::make_unique<TimedOut>(); }
};

void report(const char* what, std::vector<double>& micros)
{
    std::sort(micros.begin(), micros.end());
    std::printf("  %-18s median %6.2f us   p99 %6.2f us   max %7.2f us\n", what, micros[micros.size() / 2],
                micros[micros.size() * 99 / 100], micros.back());
}

double microsSince(Clock::time_point start, Clock::time_point end)
{
    return std::chrono::duration<double, std::micro>(end - start).count();
}

constexpr int Rounds = 10000;

void measure(QWindow* handle, const char* title)
{
    std::vector<double> presses;
    std::vector<double> releases;
    std::vector<double> pressHandling;
    std::vector<double> releaseHandling;
    for (auto* v : {&presses, &releases, &pressHandling, &releaseHandling})
        v->reserve(Rounds);
    for (int i = 0; i < Rounds; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_W, Qt::NoModifier, QStringLiteral("w"));
        Clock::time_point start = Clock::now();
        QCoreApplication::sendEvent(handle, &press);
        Clock::time_point end = Clock::now();
        presses.push_back(microsSince(start, lastSend));
        pressHandling.push_back(microsSince(start, end));

        QKeyEvent release(QEvent::KeyRelease, Qt::Key_W, Qt::NoModifier, QStringLiteral("w"));
        start = Clock::now();
        QCoreApplication::sendEvent(handle, &release);
        end = Clock::now();
        releases.push_back(microsSince(start, lastSend));
        releaseHandling.push_back(microsSince(start, end));
        // Repaints of the keys and the score, as the window would do them.
        if (i % 100 == 0)
            QApplication::processEvents();
    }
    std::printf("%s:\n", title);
    report("press, last byte", presses);
    report("press, handled", pressHandling);
    report("release, last byte", releases);
    report("release, handled", releaseHandling);
}

// A song of `count` presses of `key`, each released; practised, it waits for
// that key at every press.
kelodi::RecordingEvents song(int key, int count)
{
    kelodi::RecordingEvents events;
    for (int i = 0; i < count; ++i) {
        events.append(kelodi::KeyEvent::press(0.5f, key));
        events.append(kelodi::KeyEvent::releaseAll(0.5f));
    }
    return events;
}

void practise(kelodi::MainWindow& window, const kelodi::RecordingEvents& events)
{
    kelodi::RecordingController& controller = window.recording().controller();
    controller.click(kelodi::RecorderButton::Stop);
    controller.setEvents(events);
    controller.click(kelodi::RecorderButton::Replay);
}

}  // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    TimedDevices devices;
    kelodi::MidiPort port(devices);
    port.open(kelodi::MidiMapperId);
    kelodi::bench::WindowSetup made(port);
    kelodi::MainWindowSetup& setup = made.setup;
    kelodi::MainWindow window(setup);
    window.show();
    QApplication::processEvents();
    QWindow* handle = window.windowHandle();

    std::printf("key event to the last byte at the port, and to the end of its handling; %d presses and "
                "releases of W, chord type 3:\n",
                Rounds);
    measure(handle, "practice off");
    window.practice().practiceItem()->setChecked(true);
    window.practice().scoreWindow()->show();
    practise(window, song(2, Rounds + 1));
    measure(handle, "practice on, every press the awaited key (W)");
    practise(window, song(0, 2));
    measure(handle, "practice on, every press a wrong key");
    return 0;
}
