// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

namespace kelodi {

// A modal message box with the exclamation icon and an OK button. The text
// keeps the program's own line convention, lines separated by a carriage
// return alone; the box shows each as a line of its own.
void showExclamationBox(QWidget* parent, const QString& title, const QString& crSeparatedText);

}  // namespace kelodi
