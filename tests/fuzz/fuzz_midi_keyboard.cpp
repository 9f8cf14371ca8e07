// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for a MIDI keyboard played beside the computer keys: random
// MIDI byte streams (running status, real-time bytes anywhere, system
// exclusive, truncated messages, note-offs without note-ons, velocity 0)
// read by the byte parser into the MIDI keyboard, whose notes' keys are shown
// later as the window thread shows them, mixed with computer keys,
// mouse presses, panel changes, output device switches and input switches.
// Every message that reaches a device must be one a keyboard may pass on,
// well formed; once everything is let go (focus loss, the player's release of
// all keys, the keyboard's release of all) no note sounds on any device, and
// no pedal the keyboard pressed stays down.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/keyboard/computer_keyboard.h"
#include "core/keyboard/instrument_panel.h"
#include "core/keyboard/key_map.h"
#include "core/keyboard/key_path.h"
#include "core/keyboard/keyboard_view.h"
#include "core/keyboard/midi_keyboard.h"
#include "core/midi/device_menu.h"
#include "core/midi/midi_byte_parser.h"
#include "core/midi/midi_port.h"
#include "core/recording/key_path_presser.h"
#include "core/recording/player.h"
#include "fuzz_keyboard_support.h"

namespace {

using namespace kelodi;
using fuzz::check;
using fuzz::Input;
using fuzz::QuietView;

struct DeviceState {
    std::array<std::array<int, 128>, 16> notes{};
    int sounding = 0;
    std::array<bool, 16> pedal{};
};

class CheckingOut : public MidiOut {
public:
    explicit CheckingOut(DeviceState& device) : m_device(device) {}

    void send(ShortMessage message) override
    {
        check(!m_closed);
        check((message >> 24) == 0);
        const int status = statusByte(message);
        const int data1 = dataByte1(message);
        const int data2 = dataByte2(message);
        check(status >= 0x80 && data1 <= 0x7F && data2 <= 0x7F);
        const int channel = status & 0x0F;
        int& count = m_device.notes[channel][data1];
        switch (status & 0xF0) {
        case 0x90:
            check(data2 != 0);  // a note-off is never sent as a note-on
            ++count;
            ++m_device.sounding;
            break;
        case 0x80:
            if (count > 0) {
                --count;
                --m_device.sounding;
            }
            break;
        case 0xB0:
            check(data1 == 1 || data1 == 7 || data1 == 10 || data1 == 64 || data1 == 91 || data1 == 93);
            if (data1 == 64)
                m_device.pedal[channel] = data2 >= 64;
            break;
        case 0xC0:
        case 0xD0: check(data2 == 0); break;
        case 0xE0: break;
        default: check(false);  // no key pressure, no system message
        }
    }
    void reset() override
    {
        check(!m_closed);
        m_device = DeviceState{};
    }
    void close() override { m_closed = true; }

private:
    DeviceState& m_device;
    bool m_closed = false;
};

class CheckingDevices : public MidiDeviceList {
public:
    static constexpr int Count = 2;
    int count() const override { return Count; }
    MidiDeviceCaps caps(int id) const override
    {
        MidiDeviceCaps caps;
        caps.productName = "Device " + std::to_string(id);
        return caps;
    }
    std::unique_ptr<MidiOut> open(int id) override
    {
        if (id < -1 || id >= Count)
            return nullptr;
        return std::make_unique<CheckingOut>(devices[static_cast<std::size_t>(id + 1)]);
    }
    std::array<DeviceState, Count + 1> devices{};
};

class RecordingHook : public KeyRecorderHook {
public:
    void recordPress(int key) override { check(key >= 0 && key < KeyCount); }
    void recordRelease() override {}
    unsigned recordingTake() const override { return take; }
    unsigned take = 0;
};

constexpr int PlayingCodes[] = {81, 87, 69, 82, 84, 65, 83, 68, 70, 71, 72, 74, 75, 76, 186, 222, 90, 88, 67, 86, 66};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CheckingDevices devices;
    MidiPort port(devices);
    QuietView view;
    KeyMap map;
    InstrumentPanel panel(port);
    KeyPath keys(port, panel, view, map);
    RecordingHook recorder;
    keys.setRecorder(&recorder);
    ComputerKeyboard computer(keys, map);
    KeyPathPresser presser(keys);
    DeviceMenu menu(port, view, [&panel](int channel) { panel.sendChannelSettings(channel); });
    MidiKeyboard keyboard(port, panel, keys);
    MidiByteParser parser;
    // Notes the input thread played and the window has not shown yet.
    std::vector<MidiKeyboard::KeyNote> handedOver;
    const auto showHandedOver = [&] {
        for (const MidiKeyboard::KeyNote& note : handedOver)
            keyboard.show(note);
        handedOver.clear();
    };
    std::vector<int> awaited;
    keyboard.setAwaitedKeys([&awaited] { return awaited; });

    check(port.open(MidiMapperId));
    menu.fillDeviceMenu();
    panel.resetToDefaults();

    Input in(data, size);
    while (!in.empty()) {
        const int op = in.next();
        if (op < 160) {
            // Most of the input is the keyboard's byte stream; a status byte
            // now and then keeps it from being all data.
            const int byte = in.next();
            if (const auto message = parser.feed(static_cast<std::uint8_t>(op < 40 ? (0x80 | byte) : byte)))
                if (const auto note = keyboard.play(*message))
                    handedOver.push_back(*note);
            continue;
        }
        switch (op % 15) {
        case 0: computer.keyDown(PlayingCodes[in.next() % std::size(PlayingCodes)], in.next() % 2); break;
        case 1: computer.keyUp(PlayingCodes[in.next() % std::size(PlayingCodes)], in.next() % 2); break;
        case 2: keys.press(in.next() % 46 - 1, 1); break;
        case 3: keys.release(in.next() % 46 - 1, 1); break;
        case 4: panel.selectChannel(in.next() % 16); break;
        case 5: panel.step(PanelSpinner::Octave, in.next() % 2 ? +1 : -1); break;
        case 6: panel.setMute(in.next() % 2); break;
        case 7: panel.setSustain(in.next() % 2); break;
        case 8: panel.stepChord(in.next() % 2 ? +1 : -1); break;
        case 9: menu.switchMidiOutput(in.next() % (CheckingDevices::Count + 2)); break;
        case 10:  // another input chosen: the old one's notes are let go
            if (in.next() % 2)
                showHandedOver();  // as the port's close does; else they come late
            keyboard.releaseAll();
            parser.clear();
            break;
        case 11: keyboard.setAnyOctave(in.next() % 2); break;
        case 12: awaited = {in.next() % 46 - 1, in.next() % 46 - 1}; break;
        case 13: recorder.take = static_cast<unsigned>(in.next() % 3); break;
        case 14: showHandedOver(); break;
        }
    }

    showHandedOver();
    computer.focusLost();
    Player::releaseAllKeys(presser);
    keyboard.releaseAll();
    check(keyboard.soundingNotes() == 0);
    for (int key = 0; key < KeyCount; ++key)
        check(!keys.isSounding(key));
    for (const DeviceState& device : devices.devices) {
        check(device.sounding == 0);
        for (int channel = 0; channel < 16; ++channel)
            check(!device.pedal[channel] || panel.channel(channel).sustain);
    }
    return 0;
}
