// SPDX-License-Identifier: GPL-3.0-or-later
// MIDI keyboard to output port latency through the real main window and a
// JACK server: a JACK client of the benchmark plays 1,000 notes a second
// (note-on and note-off, each note a velocity and note number of its own in
// a round of 127 x 48) into Kelodi's input port, chosen as --midi-input
// chooses it. Measured for each note-on: from the moment the input port's
// callback receives it to the moment its note-on reaches the output port
// (sent from the input port's thread; the window only lights the key). The
// JACK server's period (the time a message waits for the next cycle) comes on
// top and belongs to the server, not to Kelodi.
//
// The output port stands for any device; with --synth it is the embedded
// FluidSynth synthesizer with the system's General MIDI SoundFont, rendering
// into a WAV file in a temporary folder, and the time is taken when the
// synthesizer has taken the note-on.
//
//   bench_gui_midi_input_latency [SECONDS] [--synth]
//       (default 10 seconds; needs a JACK server)
#include <jack/jack.h>
#include <jack/midiport.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "core/midi/midi_in.h"
#include "core/midi/midi_port.h"
#include "gui/app/main_window.h"
#include "platform/midi/device_catalog.h"
#include "platform/midi/system_inputs.h"
#include "gui_bench_window.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int NotesPerSecond = 1000;
constexpr int LowNote = 40;  // 48 notes from here
constexpr int NoteSpan = 48;

// Receipt time of each (note, velocity), and the latencies found.
std::array<std::atomic<std::int64_t>, 128 * 128> received{};
std::mutex resultsMutex;
std::vector<double> latencies;

std::int64_t nowTicks() { return Clock::now().time_since_epoch().count(); }

// The output port, or the device it stands in front of: a note-on's time is
// taken once the device has taken it.
class TimedOut : public kelodi::MidiOut {
public:
    explicit TimedOut(std::unique_ptr<kelodi::MidiOut> device) : m_device(std::move(device)) {}

    void send(kelodi::ShortMessage m) override
    {
        if (m_device)
            m_device->send(m);
        if ((m & 0xF0) != 0x90 || ((m >> 16) & 0x7F) == 0)
            return;
        const std::int64_t at = received[((m >> 8) & 0x7F) | (((m >> 16) & 0x7F) << 7)].exchange(0);
        if (at == 0)
            return;
        const double micros = std::chrono::duration<double, std::micro>(Clock::duration(nowTicks() - at)).count();
        std::lock_guard lock(resultsMutex);
        latencies.push_back(micros);
    }
    void reset() override
    {
        if (m_device)
            m_device->reset();
    }
    void close() override
    {
        if (m_device)
            m_device->close();
    }

private:
    std::unique_ptr<kelodi::MidiOut> m_device;
};

// One output: the timing alone, or the timing in front of `device`'s mapper.
class TimedDevices : public kelodi::MidiDeviceList {
public:
    explicit TimedDevices(kelodi::MidiDeviceList* device) : m_device(device) {}
    int count() const override { return 1; }
    kelodi::MidiDeviceCaps caps(int) const override { return {}; }
    std::unique_ptr<kelodi::MidiOut> open(int) override
    {
        return std::make_unique<TimedOut>(m_device ? m_device->open(kelodi::MidiMapperId) : nullptr);
    }

private:
    kelodi::MidiDeviceList* m_device;
};

// The system's inputs, with each note-on's arrival noted before the window
// sees it.
class TimedInputs : public kelodi::MidiInputList {
public:
    std::string apiName() const override { return m_inputs->apiName(); }
    std::vector<std::string> names() override { return m_inputs->names(); }
    std::unique_ptr<kelodi::MidiIn> open(const std::string& name, kelodi::MidiInputHandler handler) override
    {
        return m_inputs->open(name, [handler](const std::uint8_t* bytes, std::size_t length) {
            if (length == 3 && (bytes[0] & 0xF0) == 0x90 && bytes[2] != 0)
                received[static_cast<std::size_t>(bytes[1] | (bytes[2] << 7))].store(nowTicks());
            handler(bytes, length);
        });
    }

private:
    std::unique_ptr<kelodi::MidiInputList> m_inputs = kelodi::createMidiInputList();
};

// The benchmark's keyboard: notes spread evenly over each cycle.
struct Keyboard {
    jack_client_t* client = nullptr;
    jack_port_t* port = nullptr;
    std::atomic<bool> playing{false};
    double due = 0;   // notes owed, in fractions
    int sequence = 0;
    int sounding = -1;
};

int play(jack_nframes_t frames, void* data)
{
    auto* keyboard = static_cast<Keyboard*>(data);
    void* buffer = jack_port_get_buffer(keyboard->port, frames);
    jack_midi_clear_buffer(buffer);
    if (!keyboard->playing.load())
        return 0;
    const double perFrame = static_cast<double>(NotesPerSecond) / jack_get_sample_rate(keyboard->client);
    const double start = keyboard->due;
    keyboard->due += perFrame * frames;
    const int notes = static_cast<int>(keyboard->due);
    keyboard->due -= notes;
    for (int i = 0; i < notes; ++i) {
        const auto frame = static_cast<jack_nframes_t>(std::min<double>(frames - 1, (i + 1 - start) / perFrame));
        if (keyboard->sounding >= 0) {
            const unsigned char off[3] = {0x80, static_cast<unsigned char>(keyboard->sounding), 0};
            jack_midi_event_write(buffer, frame, off, 3);
        }
        const int n = keyboard->sequence++;
        const int note = LowNote + n % NoteSpan;
        const int velocity = 1 + (n / NoteSpan) % 127;
        const unsigned char on[3] = {0x90, static_cast<unsigned char>(note), static_cast<unsigned char>(velocity)};
        jack_midi_event_write(buffer, frame, on, 3);
        keyboard->sounding = note;
    }
    return 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    int seconds = 10;
    bool synth = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--synth") == 0)
            synth = true;
        else
            seconds = std::max(1, std::atoi(argv[i]));
    }
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);

    Keyboard keyboard;
    keyboard.client = jack_client_open("bench-keyboard", JackNoStartServer, nullptr);
    if (!keyboard.client) {
        std::printf("  no JACK server: nothing measured\n");
        return 0;
    }
    keyboard.port = jack_port_register(keyboard.client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    jack_set_process_callback(keyboard.client, play, &keyboard);
    jack_activate(keyboard.client);

    QTemporaryDir folder;
    std::unique_ptr<kelodi::MidiDeviceCatalog> catalog;
    if (synth) {
        kelodi::MidiSetup midi;
        midi.audioFile = QDir(folder.path()).filePath(QStringLiteral("bench.wav")).toStdString();
        catalog = kelodi::createMidiDeviceList(midi);
        if (!catalog->synthAvailable() || !catalog->waitForSoundFont(std::chrono::seconds(60))) {
            std::printf("  no SoundFont loaded: nothing measured\n");
            return 0;
        }
    }
    TimedDevices devices(catalog.get());
    kelodi::MidiPort port(devices);
    port.open(kelodi::MidiMapperId);
    TimedInputs inputs;
    kelodi::bench::WindowSetup made(port);
    kelodi::MainWindowSetup& setup = made.setup;
    setup.inputs = &inputs;
    setup.midiInput = QStringLiteral("bench-keyboard:out");
    {
        kelodi::MainWindow window(setup);
        window.show();
        keyboard.playing.store(true);
        QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
        app.exec();
        keyboard.playing.store(false);
    }
    jack_client_close(keyboard.client);

    std::lock_guard lock(resultsMutex);
    if (latencies.empty()) {
        std::printf("  no note arrived (is the input port there?)\n");
        return 0;
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("  %zu notes at %d notes/s: input callback -> %s median %.1f us   p99 %.1f us   max %.1f us\n",
                latencies.size(), NotesPerSecond, synth ? "synthesizer" : "output port", latencies[latencies.size() / 2], latencies[latencies.size() * 99 / 100],
                latencies.back());
    return 0;
}
