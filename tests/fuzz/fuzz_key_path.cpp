// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the key path: any sequence of mouse presses and releases,
// computer keys with any modifiers, focus losses, control changes (chord,
// octave, channel, mute, sustain, volume and the other controllers, single
// note or chord, File > New, instruments) and device switches, played on the
// keyboard as the main window assembles it. Every message that reaches a
// device must be one the program may send, well formed; and once everything
// is let go (focus loss, then the player's release of all keys) no note may
// sound on any device.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/keyboard/computer_keyboard.h"
#include "core/keyboard/instrument_names.h"
#include "core/keyboard/instrument_panel.h"
#include "core/keyboard/key_map.h"
#include "core/keyboard/key_path.h"
#include "core/keyboard/keyboard_view.h"
#include "core/midi/device_menu.h"
#include "core/midi/midi_port.h"
#include "core/recording/key_path_presser.h"
#include "core/recording/player.h"
#include "fuzz_keyboard_support.h"

namespace {

using namespace kelodi;
using fuzz::check;
using fuzz::Input;
using fuzz::QuietView;

// What one device has sounding: notes per channel, as the device itself
// would count them.
struct DeviceState {
    std::array<std::array<int, 128>, 16> notes{};
    int sounding = 0;
};

// A port that checks every message it is handed and keeps its device's notes.
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
        check(data1 <= 0x7F && data2 <= 0x7F);
        const int channel = status & 0x0F;
        int& count = m_device.notes[channel][data1];
        switch (status & 0xF0) {
        case 0x90:
            check(data2 == 100);
            ++count;
            ++m_device.sounding;
            break;
        case 0x80:
            check(data2 == 0);
            // A key pressed before a device switch is released on the new
            // device; a stray note-off is harmless there.
            if (count > 0) {
                --count;
                --m_device.sounding;
            }
            break;
        case 0xB0:
            check(data1 == 1 || data1 == 7 || data1 == 10 || data1 == 64 || data1 == 91 || data1 == 93);
            check(data1 != 64 || data2 == 0 || data2 == 127);
            break;
        case 0xC0:
            check(data2 == 0);
            break;
        default:
            check(false);  // the program sends no other kind of message
        }
    }
    // All notes off, as a device resets.
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

// Three devices behind the mapper; device 2 refuses to open.
class CheckingDevices : public MidiDeviceList {
public:
    static constexpr int Count = 3;
    static constexpr int Refusing = 2;

    int count() const override { return Count; }
    MidiDeviceCaps caps(int id) const override
    {
        MidiDeviceCaps caps;
        if (id >= -1 && id < Count)
            caps.productName = "Device " + std::to_string(id);
        return caps;
    }
    std::unique_ptr<MidiOut> open(int id) override
    {
        if (id < -1 || id >= Count || id == Refusing)
            return nullptr;
        return std::make_unique<CheckingOut>(devices[static_cast<std::size_t>(id + 1)]);
    }

    std::array<DeviceState, Count + 1> devices{};
};

// Key codes that play keys (letters, punctuation) and a few that do not.
constexpr int InterestingCodes[] = {81, 87, 69, 82, 84, 89, 85, 73, 79, 80, 219, 221, 65, 83, 68, 70,
                                    71, 72, 74, 75, 76, 186, 222, 90, 88, 67, 86, 66, 78, 77, 188,
                                    190, 191, 16, 17, 18, 32, 13, 0, 300};

int keyCode(Input& in)
{
    const int pick = in.next();
    if (pick < 200)
        return InterestingCodes[pick % std::size(InterestingCodes)];
    return (pick - 200) * 4 - 20;  // anywhere, out of range included
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CheckingDevices devices;
    MidiPort port(devices);
    QuietView view;
    KeyMap map;
    InstrumentPanel panel(port);
    KeyPath keys(port, panel, view, map);
    ComputerKeyboard computer(keys, map);
    KeyPathPresser presser(keys);
    DeviceMenu menu(port, view, [&panel](int channel) { panel.sendChannelSettings(channel); });

    // Start-up as the window does it.
    check(port.open(MidiMapperId));
    menu.fillDeviceMenu();
    panel.resetToDefaults();
    panel.setStartupInstrument();

    Input in(data, size);
    while (!in.empty()) {
        switch (in.next() % 22) {
        case 0:
        case 1:
        case 2: keys.press(in.next() % 46 - 1, in.next() % 8 == 0 ? 2 : 1); break;
        case 3:
        case 4: keys.release(in.next() % 46 - 1, in.next() % 8 == 0 ? 2 : 1); break;
        case 5:
        case 6:
        case 7: computer.keyDown(keyCode(in), in.next() % 8); break;
        case 8:
        case 9: computer.keyUp(keyCode(in), in.next() % 8); break;
        case 10: computer.focusLost(); break;
        case 11: panel.stepChord(in.next() % 2 ? +1 : -1); break;
        case 12: panel.step(PanelSpinner::Octave, in.next() % 2 ? +1 : -1); break;
        case 13: panel.selectChannel(in.next() % 18 - 1); break;
        case 14: panel.setMute(in.next() % 2); break;
        case 15: panel.setSustain(in.next() % 2); break;
        case 16: {
            const ChannelControl control = ChannelControls[in.next() % std::size(ChannelControls)];
            panel.setController(control, in.next() - 64);
            break;
        }
        case 17: {
            const int option = in.next() % 3;
            if (option == 1)
                panel.chooseSingleNote();
            else if (option == 2)
                panel.chooseChord();
            break;
        }
        case 18: panel.resetToDefaults(); break;
        case 19: {
            const int program = in.next() - 64;
            panel.applyChosenInstrument(std::string(instrumentName(program)), program);
            break;
        }
        case 20: menu.switchMidiOutput(in.next() % (CheckingDevices::Count + 3) - 1); break;
        case 21: Player::releaseAllKeys(presser); break;
        }
    }

    // Let go of everything, as a focus loss and the player's stop do.
    computer.focusLost();
    Player::releaseAllKeys(presser);
    for (int key = 0; key < KeyCount; ++key)
        check(!keys.isSounding(key));
    // The device in use has nothing sounding; every device left behind was
    // reset when the port moved on.
    for (std::size_t i = 0; i < devices.devices.size(); ++i)
        check(devices.devices[i].sounding == 0);
    return 0;
}
