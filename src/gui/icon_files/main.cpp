// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the program's icon as the desktop's icon theme files, from the same
// drawing as the window's icon:
//   kelodi_icon_files FOLDER NAME
// makes FOLDER/hicolor/NxN/apps/NAME.png for the usual sizes and
// FOLDER/hicolor/scalable/apps/NAME.svg. Run at build time.
#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QSvgGenerator>

#include <cstdio>

#include "gui/desktop/app_icon.h"

namespace {

constexpr int PngSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
// The scalable image is drawn with the details of the largest PNG.
constexpr int SvgSize = 256;

bool writePng(const QString& folder, const QString& name, int size)
{
    const QString dir = QStringLiteral("%1/hicolor/%2x%2/apps").arg(folder).arg(size);
    return QDir().mkpath(dir) && kelodi::appIconPixmap(size).save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
}

bool writeSvg(const QString& folder, const QString& name)
{
    const QString dir = folder + QStringLiteral("/hicolor/scalable/apps");
    if (!QDir().mkpath(dir))
        return false;
    QSvgGenerator svg;
    svg.setFileName(dir + QLatin1Char('/') + name + QStringLiteral(".svg"));
    svg.setSize(QSize(SvgSize, SvgSize));
    svg.setViewBox(QRect(0, 0, SvgSize, SvgSize));
    svg.setTitle(QStringLiteral("Kelodi"));
    QPainter painter;
    if (!painter.begin(&svg))
        return false;
    kelodi::paintAppIcon(painter, SvgSize);
    return painter.end();
}

}  // namespace

int main(int argc, char* argv[])
{
    // Pixmaps need a GUI application, but never a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: kelodi_icon_files FOLDER NAME\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    bool written = writeSvg(folder, name);
    for (int size : PngSizes)
        written = writePng(folder, name, size) && written;
    if (!written) {
        std::fprintf(stderr, "kelodi_icon_files: cannot write the icons into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
