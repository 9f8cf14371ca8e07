// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>

#include "gui/app/application.h"

int main(int argc, char* argv[])
{
    // --help and --version need no window system: a QApplication would end
    // the process where there is no display.
    if (kelodi::asksForInformationOnly(argc, argv)) {
        QCoreApplication app(argc, argv);
        return kelodi::printInformation(app);
    }
    QApplication app(argc, argv);
    return kelodi::runApplication(app, QApplication::arguments());
}
