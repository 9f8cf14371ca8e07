#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <memory>
#include <vector>

#include "core/fakes/recording_midi.h"
#include "gui/app/main_window.h"
#include "gui/desktop/recording_shell.h"

namespace kelodi::test {

// The real main window on a port that records what it is sent, started as
// the program starts it, with the start-up messages already cleared. Keys are
// typed into the window the way the window system delivers them.
struct MainWindowRig {
    RecordingDeviceList devices;
    MidiPort port{devices};
    RecordingShell shell;
    QTemporaryDir folder;
    std::unique_ptr<MainWindow> window;

    MainWindowRig()
    {
        port.open(MidiMapperId);
        MainWindowSetup setup;
        setup.port = &port;
        setup.shell = &shell;
        setup.programFolder = folder.path();
        window = std::make_unique<MainWindow>(setup);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            ADD_FAILURE() << "the main window was not shown";
        window->activateWindow();
        messages().clear();
    }

    std::vector<ShortMessage>& messages() { return devices.journal.messages; }

    template <class W>
    W* child(const char* name)
    {
        return window->findChild<W*>(QString::fromLatin1(name));
    }

    // The messages a press of the computer key sends, its release done.
    std::vector<ShortMessage> notesOfKey(Qt::Key key)
    {
        messages().clear();
        QTest::keyPress(window->windowHandle(), key);
        std::vector<ShortMessage> pressed = messages();
        QTest::keyRelease(window->windowHandle(), key);
        return pressed;
    }
};

}  // namespace kelodi::test
