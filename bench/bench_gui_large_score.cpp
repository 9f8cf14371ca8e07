// SPDX-License-Identifier: GPL-3.0-or-later
// A score near the reader's 64 MiB limit, played from the recordings list of
// the real main window: time from choosing the item to the first note-on at
// the port, how long the window thread was busy in that call (wall time, and
// the CPU time it used, which other programs on the machine disturb less),
// and how much the resident memory rose (at its peak and once the first note
// sounded).
// Two 60 MiB scores: key names (one long line of events per text line, as
// the line limit needs) and jianpu. Each run is a fresh process; medians of
// five runs.
//
// With --practice, "跟弹练习" is ticked first: nothing sounds, so the time is
// taken to the mark on the first key the song waits for.
//
//   bench_gui_large_score [RUNS] [--practice]

#include <time.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/midi/midi_port.h"
#include "core/midi/short_message.h"
#include "core/recording/dzq_format.h"
#include "core/recording/recording_controller.h"
#include "gui/app/main_window.h"
#include "gui/desktop/shell.h"
#include "gui/practice/practice_panel.h"
#include "gui/recording/recording_panel.h"
#include "core/text/text_codec.h"
#include "platform/text/system_text_codec.h"

namespace {

using namespace kelodi;
using Clock = std::chrono::steady_clock;
constexpr std::size_t ScoreBytes = 60u * 1024u * 1024u;

// A port that notes when the first note-on arrives.
class FirstNoteOut : public MidiOut {
public:
    explicit FirstNoteOut(Clock::time_point* firstNote) : m_firstNote(firstNote) {}
    void send(ShortMessage message) override
    {
        if ((statusByte(message) & 0xF0) == 0x90 && *m_firstNote == Clock::time_point{})
            *m_firstNote = Clock::now();
    }
    void reset() override {}
    void close() override {}

private:
    Clock::time_point* m_firstNote;
};

class FirstNoteDevices : public MidiDeviceList {
public:
    int count() const override { return 1; }
    MidiDeviceCaps caps(int) const override { return {}; }
    std::unique_ptr<MidiOut> open(int) override { return std::make_unique<FirstNoteOut>(&firstNote); }
    Clock::time_point firstNote{};
};

class NoShell : public Shell {
public:
    void openUrl(const QUrl&) override {}
    void openTextFile(const QString&) override {}
    bool startDetached(const QString&, const QStringList&) override { return false; }
};

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

long statusKiB(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0)
            return std::stol(line.substr(prefix.size()));
    return -1;
}

// Repeats `line` after `header` until the GBK bytes reach ScoreBytes.
std::string gbkScore(const std::string& header, const std::string& first, const std::string& line)
{
    const TextCodec& codec = systemTextCodec();
    std::string bytes = codec.utf8ToGbk(header + first + "\r\n").value();
    const std::string repeated = codec.utf8ToGbk(line + "\r\n").value();
    while (bytes.size() < ScoreBytes)
        bytes += repeated;
    return bytes;
}

// 40 events per text line; the first event fires at once (delay 0).
std::string keyNameScore()
{
    RecordingEvents line;
    for (int i = 0; i < 40; ++i)
        line.append(i % 2 ? KeyEvent::releaseAll(0.125f) : KeyEvent::press(0.125f, (i * 7) % 44));
    std::string body = formatRecordingText(line);
    body = body.substr(body.find("\r\n") + 2);
    std::erase(body, '\r');
    std::erase(body, '\n');
    std::string first = body;
    first.replace(0, first.find(' '), "0.000");
    return gbkScore("琴键倍数:1\r\n", first, body);
}

// Tempo 0.01 puts the first note 10 ms after the start; 100 notes per line.
std::string jianpuScore()
{
    std::string line;
    static const char* const notes[] = {"1", "2", "3", "#4", "5+", "6-", "7", "0"};
    for (int i = 0; i < 100; ++i)
        line += std::string(notes[i % 8]) + ",0.5|";
    return gbkScore("简谱倍数:0.01\r\n音符比例:0.8\r\n音符最长:2\r\n", line, line);
}

int child(const char* programFolder, bool practise)
{
    int argc = 1;
    char name[] = "bench_gui_large_score";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    FirstNoteDevices devices;
    MidiPort port(devices);
    port.open(MidiMapperId);
    NoShell shell;
    MainWindowSetup setup;
    setup.port = &port;
    setup.shell = &shell;
    setup.programFolder = QString::fromUtf8(programFolder);
    MainWindow window(setup);
    window.show();
    // Only what the score adds counts: the start burst's notes are not notes.
    devices.firstNote = {};
    PracticePanel& practice = window.practice();
    practice.practiceItem()->setChecked(practise);

    QAction* item = window.findChild<QAction*>(QStringLiteral("RecordingItem_0"));
    if (!item) {
        std::fprintf(stderr, "no recording listed\n");
        return 1;
    }
    long rssBefore = 0;
    double busyMs = 0;
    double cpuMs = 0;
    Clock::time_point chosen;
    QTimer::singleShot(100, [&] {
        rssBefore = statusKiB("VmRSS");
        const double cpuStart = threadCpuMs();
        chosen = Clock::now();
        item->trigger();
        busyMs = std::chrono::duration<double, std::milli>(Clock::now() - chosen).count();
        cpuMs = threadCpuMs() - cpuStart;
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (practise && devices.firstNote == Clock::time_point{} && practice.markedKey() >= 0)
            devices.firstNote = Clock::now();
        if (devices.firstNote != Clock::time_point{})
            QCoreApplication::exit(0);
    });
    poll.start(1);
    app.exec();
    const double firstNoteMs = std::chrono::duration<double, std::milli>(devices.firstNote - chosen).count();
    const long rssAfter = statusKiB("VmRSS");
    const long peak = statusKiB("VmHWM");
    std::printf("%.1f %.1f %.1f %.1f %.1f %zu\n", firstNoteMs, busyMs, cpuMs, (peak - rssBefore) / 1024.0,
                (rssAfter - rssBefore) / 1024.0, window.recording().controller().events().size());
    window.recording().controller().click(RecorderButton::Stop);
    return 0;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc > 3 && std::string(argv[1]) == "--child")
        return child(argv[2], std::string(argv[3]) == "practice");
    int runs = 5;
    bool practise = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--practice")
            practise = true;
        else
            runs = std::max(1, std::atoi(argv[i]));
    }
    const std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");

    struct Kind {
        const char* label;
        std::string (*make)();
    };
    for (const Kind kind : {Kind{"key names", keyNameScore}, Kind{"jianpu", jianpuScore}}) {
        QTemporaryDir folder;
        QDir(folder.path()).mkdir(QStringLiteral("录制"));
        const std::string score = kind.make();
        std::ofstream(std::filesystem::path(folder.filePath(QStringLiteral("录制/big.dzq")).toStdString()),
                      std::ios::binary)
            << score;
        std::vector<double> first, busy, cpu, peak, settled;
        std::size_t events = 0;
        for (int run = 0; run < runs; ++run) {
            // The window's own complaints (no tray, no XDG runtime folder) are
            // not figures.
            const std::string command = "\"" + self.string() + "\" --child \"" + folder.path().toStdString() +
                                        "\" " + (practise ? "practice" : "replay") + " 2>/dev/null";
            FILE* out = popen(command.c_str(), "r");
            double f = 0, b = 0, c = 0, p = 0, s = 0;
            if (!out || std::fscanf(out, "%lf %lf %lf %lf %lf %zu", &f, &b, &c, &p, &s, &events) != 6) {
                std::fprintf(stderr, "run %d failed\n", run);
                if (out)
                    pclose(out);
                continue;
            }
            pclose(out);
            first.push_back(f);
            busy.push_back(b);
            cpu.push_back(c);
            peak.push_back(p);
            settled.push_back(s);
        }
        if (first.empty())
            continue;
        std::printf("%s score, %.1f MiB, %zu events (median of %zu runs):\n", kind.label,
                    static_cast<double>(score.size()) / (1024.0 * 1024.0), events, first.size());
        std::printf("  time to first %s %7.1f ms   window thread busy %7.1f ms (CPU %7.1f ms)\n",
                    practise ? "marked key" : "note", median(first), median(busy), median(cpu));
        std::printf("  RSS rise: peak %6.1f MB, after the first %s %6.1f MB\n", median(peak),
                    practise ? "mark" : "note", median(settled));
    }
    return 0;
}
