// Key-to-port latency through the real main window: from a key event handed
// to the window to the last message handed to the port, chord type 3 (four
// notes per press and per release), over 10,000 presses and releases.
#include <QApplication>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QUrl>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "core/midi/midi_port.h"
#include "gui/app/main_window.h"
#include "gui/desktop/shell.h"

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

class QuietShell : public kelodi::Shell {
public:
    void openUrl(const QUrl&) override {}
    void openTextFile(const QString&) override {}
    bool startDetached(const QString&, const QStringList&) override { return false; }
};

void report(const char* what, std::vector<double>& micros)
{
    std::sort(micros.begin(), micros.end());
    std::printf("%-8s median %6.2f us   p99 %6.2f us   max %7.2f us\n", what, micros[micros.size() / 2],
                micros[micros.size() * 99 / 100], micros.back());
}

}  // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    TimedDevices devices;
    kelodi::MidiPort port(devices);
    port.open(kelodi::MidiMapperId);
    QuietShell shell;
    QTemporaryDir folder;
    kelodi::MainWindowSetup setup;
    setup.port = &port;
    setup.shell = &shell;
    setup.programFolder = folder.path();
    kelodi::MainWindow window(setup);
    window.show();
    QApplication::processEvents();
    QWindow* handle = window.windowHandle();

    constexpr int Rounds = 10000;
    std::vector<double> presses;
    std::vector<double> releases;
    presses.reserve(Rounds);
    releases.reserve(Rounds);
    for (int i = 0; i < Rounds; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_W, Qt::NoModifier, QStringLiteral("w"));
        Clock::time_point start = Clock::now();
        QCoreApplication::sendEvent(handle, &press);
        presses.push_back(std::chrono::duration<double, std::micro>(lastSend - start).count());

        QKeyEvent release(QEvent::KeyRelease, Qt::Key_W, Qt::NoModifier, QStringLiteral("w"));
        start = Clock::now();
        QCoreApplication::sendEvent(handle, &release);
        releases.push_back(std::chrono::duration<double, std::micro>(lastSend - start).count());
    }
    std::printf("key event to last byte at the port, %d presses and releases, chord type 3:\n", Rounds);
    report("press", presses);
    report("release", releases);
    return 0;
}
