// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include "core/midi/midi_device.h"

class QLabel;

namespace kelodi {

// The device information dialog ("设备信息"): what one MIDI output device
// reports about itself, in three groups. It only shows; "&Ok" closes it and
// nothing it shows is kept.
class DeviceInfoDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int Width = 448;   // 6720 twips
    static constexpr int Height = 282;  // 4230 twips

    DeviceInfoDialog(const MidiDeviceCaps& caps, int deviceId, QWidget* parent = nullptr);

    // Builds the dialog for a device, shows it modally over `parent` and
    // returns once "&Ok" (or the close box) has closed it.
    static void showFor(QWidget* parent, const MidiDeviceCaps& caps, int deviceId);

    // The value label of a caption, by its name (e.g. "ManufacturerValue");
    // for tests.
    QLabel* valueLabel(const QString& name) const;
};

}  // namespace kelodi
