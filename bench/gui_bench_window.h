// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as the latency benchmarks run it: on the benchmark's own
// output port, its files in a folder of its own that goes with it, and a
// shell that opens nothing.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include "core/midi/midi_port.h"
#include "gui/app/main_window.h"
#include "gui/desktop/shell.h"

namespace kelodi::bench {

class QuietShell : public Shell {
public:
    void openUrl(const QUrl&) override {}
    void openTextFile(const QString&) override {}
    bool startDetached(const QString&, const QStringList&) override { return false; }
};

// What MainWindow is made from; the caller may add to `setup`.
struct WindowSetup {
    explicit WindowSetup(MidiPort& port)
    {
        setup.port = &port;
        setup.shell = &shell;
        setup.programFolder = folder.path();
    }
    QuietShell shell;
    QTemporaryDir folder;
    MainWindowSetup setup;
};

}  // namespace kelodi::bench
