// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

#include "core/midi/midi_port.h"
#include "gui/app/main_window.h"
#include "gui/desktop/recording_shell.h"
#include "platform/midi/device_catalog.h"

namespace kelodi::test {

// The main window on the MIDI devices this machine offers, as the program
// finds them at start (the embedded synthesizer renders into a file of a
// folder of the test's own), with the port on the MIDI mapper.
struct RealDevicesWindow {
    RealDevicesWindow() : devices(createMidiDeviceList(setupIn(folder))), port(*devices) {}

    // Opens the mapper and shows the window; false when either fails.
    bool show()
    {
        if (!port.open(MidiMapperId))
            return false;
        MainWindowSetup setup;
        setup.port = &port;
        setup.shell = &shell;
        setup.programFolder = folder.path();
        window.emplace(setup);
        window->show();
        return QTest::qWaitForWindowExposed(&*window);
    }

    QTemporaryDir folder;
    std::unique_ptr<MidiDeviceCatalog> devices;
    MidiPort port;
    RecordingShell shell;
    std::optional<MainWindow> window;

private:
    static MidiSetup setupIn(const QTemporaryDir& folder)
    {
        MidiSetup setup;
        setup.audioFile = (folder.path() + QStringLiteral("/synth.wav")).toStdString();
        return setup;
    }
};

}  // namespace kelodi::test
