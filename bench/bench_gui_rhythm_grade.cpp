// SPDX-License-Identifier: GPL-3.0-or-later
// Rhythm practice with a 10,000-note score open in the real main window
// (offscreen): the time from a key press reaching the practice (as the key
// path hands it over once the note has sounded) through its grade to the
// coloured mark painted in the score window. The song runs a note every
// 40 ms; each press is the key of the note due, so every press is judged
// and marked. Between presses the event loop runs (the metronome, the
// misses). Prints the median, p99 and the worst of the presses.
//
//   bench_gui_rhythm_grade [PRESSES]   (2000 by default)

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "core/midi/midi_port.h"
#include "core/practice/practice_controller.h"
#include "core/recording/recording_controller.h"
#include "gui/app/main_window.h"
#include "gui/desktop/shell.h"
#include "gui/practice/practice_panel.h"
#include "gui/practice/score_view.h"
#include "gui/practice/score_window.h"
#include "gui/recording/recording_panel.h"

namespace {

using namespace kelodi;
using Steady = std::chrono::steady_clock;

class SilentOut : public MidiOut {
public:
    void send(ShortMessage) override {}
    void reset() override {}
    void close() override {}
};
class SilentDevices : public MidiDeviceList {
public:
    int count() const override { return 1; }
    MidiDeviceCaps caps(int) const override { return {}; }
    std::unique_ptr<MidiOut> open(int) override { return std::make_unique<SilentOut>(); }
};
class NoShell : public Shell {
public:
    void openUrl(const QUrl&) override {}
    void openTextFile(const QString&) override {}
    bool startDetached(const QString&, const QStringList&) override { return false; }
};

double seconds(Steady::time_point t) { return std::chrono::duration<double>(t.time_since_epoch()).count(); }

}  // namespace

int main(int argc, char* argv[])
{
    const int presses = argc > 1 ? std::max(100, std::atoi(argv[1])) : 2000;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    QApplication app(argc, argv);
    QTemporaryDir folder;
    SilentDevices devices;
    MidiPort port(devices);
    port.open(-1);
    NoShell shell;
    MainWindowSetup setup;
    setup.port = &port;
    setup.shell = &shell;
    setup.programFolder = folder.path();
    MainWindow window(setup);
    window.show();

    // 10,000 notes 40 ms apart, each released before the next.
    RecordingEvents song;
    for (int i = 0; i < 10000; ++i) {
        song.append(KeyEvent::press(0.02f, 12 + i % 12));
        song.append(KeyEvent::releaseAll(0.02f));
    }
    RecordingController& controller = window.recording().controller();
    controller.setEvents(std::move(song));
    PracticePanel& panel = window.practice();
    panel.scoreWindowItem()->trigger();
    panel.rhythmItem()->trigger();
    controller.click(RecorderButton::Replay);
    PracticeController& practice = panel.practice();
    ScoreView* view = panel.scoreWindow()->view();
    const std::vector<RhythmSession::Note>& notes = practice.rhythm().notes();
    if (notes.size() != 10000 || view->score().noteCount != 10000) {
        std::fprintf(stderr, "the score did not open\n");
        return 1;
    }

    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(presses));
    std::size_t marked = 0;
    while (static_cast<int>(times.size()) < presses && practice.rhythm().isRunning()) {
        QCoreApplication::processEvents();
        const double now = seconds(Steady::now());
        const auto due = std::lower_bound(notes.begin(), notes.end(), now,
                                          [](const RhythmSession::Note& n, double t) { return n.time < t; });
        if (due == notes.end())
            break;
        if (due->time - now > 0.001 || due->grade)
            continue;
        const std::size_t symbol = *view->score().noteSymbol(due->event);
        const Steady::time_point start = Steady::now();
        practice.keyPressed(due->key);
        view->repaint(view->noteRect(symbol));
        const Steady::time_point end = Steady::now();
        practice.keyReleased(due->key);
        marked += view->noteMark(symbol).isValid();
        times.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    controller.click(RecorderButton::Stop);
    std::sort(times.begin(), times.end());
    if (times.empty()) {
        std::fprintf(stderr, "no press was timed\n");
        return 1;
    }
    const auto at = [&](double q) { return times[static_cast<std::size_t>(q * static_cast<double>(times.size() - 1))]; };
    std::printf("key -> grade -> mark painted, 10000-note score: %zu presses (%zu marked): median %.0f us, p99 %.0f us, "
                "worst %.0f us\n",
                times.size(), marked, at(0.5), at(0.99), times.back());
    return 0;
}
