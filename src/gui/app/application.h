#pragma once

class QApplication;

namespace kelodi {

// The entry routine: count the MIDI outputs, open the mapper, find the volume
// program, show the main window and run until Timer_end ends the program.
// Returns the process exit status: 0 after a normal exit, 1 when start-up
// fails (after the "Tinsyn - Error" box has been dismissed).
int runApplication(QApplication& app);

}  // namespace kelodi
