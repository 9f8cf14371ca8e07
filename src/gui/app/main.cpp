#include <QApplication>

#include "gui/app/application.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    return kelodi::runApplication(app);
}
