// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

class QApplication;
class QCoreApplication;

namespace kelodi {

// True when the command line asks for --help or --version (-h, -?, -v): those
// are answered before any window system is needed, so they work without a
// display.
bool asksForInformationOnly(int argc, char* argv[]);

// Prints the help or the version text for `app`'s arguments and returns the
// exit status (0; 1 for a command line that cannot be parsed).
int printInformation(QCoreApplication& app);

// The entry routine: count the MIDI outputs, open the mapper, find the volume
// program, show the main window and run until the main window's end timer ends the program.
// `arguments` is the command line, the program's name first. Returns the
// process exit status: 0 after a normal exit, 1 when start-up fails (after
// the "Tinsyn - Error" box has been dismissed).
int runApplication(QApplication& app, const QStringList& arguments);

}  // namespace kelodi
