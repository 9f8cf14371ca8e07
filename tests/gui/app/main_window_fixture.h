// SPDX-License-Identifier: GPL-3.0-or-later
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

// The real main window on a recording port, shown and active, with a program
// folder of its own that a test may fill before the window reads it.
class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        prepareFolder();
        if (HasFatalFailure())
            return;
        port.open(MidiMapperId);
        MainWindowSetup setup;
        setup.port = &port;
        setup.shell = &shell;
        setup.programFolder = folder.path();
        prepareSetup(setup);
        window = std::make_unique<MainWindow>(setup);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    virtual void prepareFolder() {}
    virtual void prepareSetup(MainWindowSetup&) {}

    std::vector<ShortMessage>& messages() { return devices.journal.messages; }
    QWindow* handle() { return window->windowHandle(); }

    RecordingDeviceList devices;
    MidiPort port{devices};
    RecordingShell shell;
    QTemporaryDir folder;
    std::unique_ptr<MainWindow> window;
};

}  // namespace kelodi::test
