// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

#include "core/midi/device_menu.h"

class QAction;
class QMenu;
class QWidget;

namespace kelodi {

class MidiPort;

// The menu "MIDI设备(&D)" on a Qt menu: one checkable item per device after
// the mapper item (DeviceItem_0 .. DeviceItem_n), a separator and "设备信息(&S)"
// (DeviceInfoItem). The device items are made anew each time the menu opens. Choosing an item switches the port through DeviceMenu; a
// device that refuses to open, or goes away while open, is reported in a
// critical message box over `window`.
class DeviceMenuQt : public QObject, private DeviceMenuView {
    Q_OBJECT
public:
    // Fills `menu` at once. `sendChannelSettings(channel)` restores one channel
    // on the port after a switch.
    DeviceMenuQt(QMenu* menu, MidiPort& port, std::function<void(int channel)> sendChannelSettings,
                 QWidget* window);
    ~DeviceMenuQt() override;

    static constexpr int DeviceCheckIntervalMs = 500;

    DeviceMenu& model() { return *m_model; }
    QAction* item(int index) const { return m_items.at(static_cast<std::size_t>(index)); }
    QAction* deviceInfoAction() const { return m_deviceInfo; }

    // "设备信息(&S)": the information dialog for the ticked device, modal.
    void showDeviceInfo();

private:
    void addDeviceItem(int index, const std::string& caption) override;
    void removeDeviceItems() override;
    void setItemChecked(int index, bool checked) override;
    void showCriticalError(const std::string& title, const std::string& text) override;

    QAction* makeItem(int index, const QString& text);

    QMenu* m_menu;
    QWidget* m_window;
    MidiPort& m_port;
    std::unique_ptr<DeviceMenu> m_model;
    std::vector<QAction*> m_items;
    QAction* m_separator = nullptr;
    QAction* m_deviceInfo = nullptr;
};

// "打开系统音量(&D)": starts the system volume program detached,
// or says "Unable to load SndVol32.exe" in a warning box over `parent` when it
// cannot be started, also when `program` is empty. True when it started.
bool runMixerCommand(QWidget* parent, const QString& program);

// Adds the mixer item to `menu` ("系统(&X)") and wires it to runMixerCommand.
QAction* addMixerCommand(QMenu* menu, QWidget* window, const QString& program);

}  // namespace kelodi
