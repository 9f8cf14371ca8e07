// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/data_folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>

#include "core/text/utf8.h"

// The installed data folder as seen from the installed executable
// (share/kelodi beside bin/), so an installed tree can be moved as a whole.
#ifndef KELODI_SHARED_DATA_FROM_BIN
#define KELODI_SHARED_DATA_FROM_BIN "../share/kelodi"
#endif

namespace kelodi {

std::filesystem::path toPath(const QString& path)
{
    return pathFromUtf8(path.toStdString());
}

QString fromPath(const std::filesystem::path& path)
{
    return QString::fromStdString(pathToUtf8(path));
}

DataPlaces findDataPlaces()
{
    PlaceFacts facts;
    const QString program = QCoreApplication::applicationDirPath();
    facts.programFolder = toPath(program);
    facts.programFolderWritable = QFileInfo(program).isWritable();
#ifdef Q_OS_WIN
    facts.windows = true;
#endif
    // The user's data folder, e.g. ~/.local/share/kelodi: named like the
    // package and the shared data folder, whatever the application name.
    const QString userData = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!userData.isEmpty())
        facts.userDataFolder = toPath(QDir(userData).filePath(QStringLiteral("kelodi")));
    const QString shared = QDir::cleanPath(QDir(program).filePath(QStringLiteral(KELODI_SHARED_DATA_FROM_BIN)));
    if (QFileInfo(shared).isDir())
        facts.sharedDataFolder = toPath(shared);

    const DataPlaces places = chooseDataPlaces(facts);
    for (const std::string& problem : prepareRecordingsFolder(places).problems)
        std::fprintf(stderr, "kelodi: %s\n", problem.c_str());
    return places;
}

}  // namespace kelodi

namespace kelodi {

std::filesystem::path practiceHistoryFolder()
{
    const QString userData = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QDir base(userData.isEmpty() ? QCoreApplication::applicationDirPath()
                                       : QDir(userData).filePath(QStringLiteral("kelodi")));
    return toPath(base.filePath(QStringLiteral("练习记录")));
}

}  // namespace kelodi
