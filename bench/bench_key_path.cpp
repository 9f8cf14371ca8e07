// SPDX-License-Identifier: GPL-3.0-or-later
// Time of one computer-key event through the whole core key path:
// ComputerKeyboard -> KeyPath -> MidiPort -> a MidiOut that only stores the
// message. Chord type 3 (four notes per key), the start-up settings.
// Prints median and 99th percentile per event; decides nothing.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "core/keyboard/computer_keyboard.h"
#include "core/keyboard/instrument_panel.h"
#include "core/keyboard/key_map.h"
#include "core/keyboard/key_path.h"
#include "core/keyboard/keyboard_view.h"
#include "core/midi/midi_port.h"

namespace {

using namespace kelodi;

class StoringOut : public MidiOut {
public:
    explicit StoringOut(std::vector<ShortMessage>& store) : m_store(store) {}
    void send(ShortMessage message) override { m_store.push_back(message); }
    void reset() override {}
    void close() override {}

private:
    std::vector<ShortMessage>& m_store;
};

class StoringDevices : public MidiDeviceList {
public:
    int count() const override { return 1; }
    MidiDeviceCaps caps(int) const override { return {}; }
    std::unique_ptr<MidiOut> open(int) override { return std::make_unique<StoringOut>(store); }
    std::vector<ShortMessage> store;
};

class StoringView : public KeyboardView {
public:
    void setCaption(const std::string& text) override { caption = text; }
    void setKeyColour(int key, std::uint32_t colour) override { colours[static_cast<std::size_t>(key)] = colour; }
    void setKeyCaption(int, const std::string&) override {}
    std::string caption;
    std::uint32_t colours[KeyCount] = {};
};

struct Figures {
    double median;
    double p99;
    double max;
};

Figures figures(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) { return samples[static_cast<std::size_t>(q * static_cast<double>(samples.size() - 1))]; };
    return {at(0.5), at(0.99), samples.back()};
}

}  // namespace

int main()
{
    constexpr int Presses = 10000;
    StoringDevices devices;
    devices.store.reserve(static_cast<std::size_t>(Presses) * 8 + 256);
    MidiPort port(devices);
    port.open(MidiMapperId);
    KeyMap map;
    InstrumentPanel panel(port);
    panel.resetToDefaults();
    panel.setStartupInstrument();
    StoringView view;
    KeyPath keys(port, panel, view, map);
    ComputerKeyboard computer(keys, map);

    std::vector<double> pressTimes;
    std::vector<double> releaseTimes;
    pressTimes.reserve(Presses);
    releaseTimes.reserve(Presses);
    const auto& whites = map.whiteKeys();
    for (int i = 0; i < Presses; ++i) {
        const int code = whites[static_cast<std::size_t>(i) % whites.size()].keyCode;
        auto start = std::chrono::steady_clock::now();
        computer.keyDown(code, 0);
        auto end = std::chrono::steady_clock::now();
        pressTimes.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        start = std::chrono::steady_clock::now();
        computer.keyUp(code, 0);
        end = std::chrono::steady_clock::now();
        releaseTimes.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }

    std::vector<double> all = pressTimes;
    all.insert(all.end(), releaseTimes.begin(), releaseTimes.end());
    const Figures press = figures(pressTimes);
    const Figures release = figures(releaseTimes);
    const Figures both = figures(all);
    std::printf("key path, chord type %d, %d presses and %d releases, %zu messages\n", panel.chordType(), Presses,
                Presses, devices.store.size());
    std::printf("  press    median %7.3f us   p99 %7.3f us   max %8.3f us\n", press.median, press.p99, press.max);
    std::printf("  release  median %7.3f us   p99 %7.3f us   max %8.3f us\n", release.median, release.p99,
                release.max);
    std::printf("  any      median %7.3f us   p99 %7.3f us   max %8.3f us\n", both.median, both.p99, both.max);
    return 0;
}
