// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kelodi {

class MidiPort;

// What the device menu needs from the window it lives in.
class DeviceMenuView {
public:
    virtual ~DeviceMenuView() = default;

    // Appends menu item `index` (1, 2, ... in order) after the mapper item.
    virtual void addDeviceItem(int index, const std::string& caption) = 0;
    // Removes every item after the mapper item.
    virtual void removeDeviceItems() {}
    virtual void setItemChecked(int index, bool checked) = 0;
    // A message box with the critical-stop icon and a single OK button.
    virtual void showCriticalError(const std::string& title, const std::string& text) = 0;
};

// The device menu: item 0 is the mapper (device -1), item k is device k - 1.
// Exactly one item is ticked, the device the port was last opened on or last
// tried. Choosing an item moves the program's one output port to that device
// and puts every channel's settings back on it.
class DeviceMenu {
public:
    static constexpr const char* MapperCaption = "MIDI映射表(&Y)";
    static constexpr const char* DeviceLostMessage = "MIDI设备已断开，请在“MIDI设备”菜单中重新选择。";

    // `sendChannelSettings(channel)` puts one channel's remembered program and
    // controllers on the port; it is called for channels 0..15 after a switch.
    DeviceMenu(MidiPort& port, DeviceMenuView& view,
               std::function<void(int channel)> sendChannelSettings);

    // Adds one item per device of the port's device list, captioned with the
    // product name up to its first NUL, and ticks the mapper item. Meant to run
    // once; later calls do nothing, as the items are never rebuilt.
    void fillDeviceMenu();

    // The menu opening: the device list is read again and the items after
    // the mapper's are made anew, so a device that appeared since is there
    // and one that went away is not. The tick stays on the same device (by
    // its caption); when that device is gone no item is ticked.
    void refreshDevices();

    // The click on item `index`: ticks it, resets and closes the port, opens
    // device index - 1 and restores channels 0..15 on it in ascending order.
    // When the device refuses, a "Unable To Open <caption>" box appears and the
    // port stays closed with the item still ticked. Choosing the ticked item
    // again reopens the same device and restores the channels again. An index
    // that names no item is ignored.
    void switchMidiOutput(int index);

    // Looks whether the device of the open port has gone away (a MIDI server
    // that quit or died). If so, the port is closed, with the item still
    // ticked, and the player is told once to choose a device again.
    void checkDevice();

    int itemCount() const { return static_cast<int>(m_captions.size()); }
    const std::string& caption(int index) const { return m_captions.at(static_cast<std::size_t>(index)); }
    int checkedItem() const { return m_checked; }
    // Device identifier behind the ticked item: what the information dialog
    // shows (-2, no device, when no item is ticked).
    int checkedDeviceId() const { return m_checked - 1; }

private:
    void tick(int index);
    void addDeviceItems();

    MidiPort& m_port;
    DeviceMenuView& m_view;
    std::function<void(int)> m_sendChannelSettings;
    std::vector<std::string> m_captions;
    int m_checked = 0;
    bool m_filled = false;
};

}  // namespace kelodi
