// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/midi/device_menu.h"

#include <utility>

#include "core/app/program_info.h"
#include "core/midi/midi_port.h"

namespace kelodi {

namespace {
}

DeviceMenu::DeviceMenu(MidiPort& port, DeviceMenuView& view,
                       std::function<void(int channel)> sendChannelSettings)
    : m_port(port), m_view(view), m_sendChannelSettings(std::move(sendChannelSettings)),
      m_captions{MapperCaption}
{
}

void DeviceMenu::fillDeviceMenu()
{
    if (m_filled)
        return;
    m_filled = true;
    addDeviceItems();
    tick(0);
}

void DeviceMenu::addDeviceItems()
{
    const int count = m_port.devices().count();
    for (int id = 0; id < count; ++id) {
        const std::string name = m_port.devices().caps(id).productName;
        m_captions.push_back(name.substr(0, name.find('\0')));
        m_view.addDeviceItem(id + 1, m_captions.back());
    }
}

void DeviceMenu::refreshDevices()
{
    if (!m_filled)
        return;
    // The ticked device: its caption and how many items before it share it.
    std::string ticked;
    int occurrence = 0;
    if (m_checked > 0 && m_checked < itemCount()) {
        ticked = caption(m_checked);
        for (int i = 1; i < m_checked; ++i)
            occurrence += caption(i) == ticked ? 1 : 0;
    }
    m_port.devices().refresh();
    m_view.removeDeviceItems();
    m_captions.resize(1);
    addDeviceItems();
    if (m_checked <= 0) {
        tick(m_checked < 0 ? -1 : 0);
        return;
    }
    int found = -1;
    for (int i = 1, seen = 0; i < itemCount() && found < 0; ++i)
        if (caption(i) == ticked && seen++ == occurrence)
            found = i;
    tick(found);
}

void DeviceMenu::switchMidiOutput(int index)
{
    if (index < 0 || index >= itemCount())
        return;
    tick(index);

    m_port.reset();
    m_port.close();
    if (!m_port.open(index - 1)) {
        m_view.showCriticalError(ErrorCaption, "Unable To Open " + caption(index));
        return;
    }
    if (m_sendChannelSettings) {
        for (int channel = 0; channel < ChannelCount; ++channel)
            m_sendChannelSettings(channel);
    }
}

void DeviceMenu::checkDevice()
{
    if (!m_port.deviceLost())
        return;
    // Nothing reaches a device that is gone; closed, the port says so and the
    // message comes once.
    m_port.close();
    m_view.showCriticalError(ErrorCaption, DeviceLostMessage);
}

void DeviceMenu::tick(int index)
{
    for (int i = 0; i < itemCount(); ++i)
        m_view.setItemChecked(i, i == index);
    m_checked = index;
}

}  // namespace kelodi
