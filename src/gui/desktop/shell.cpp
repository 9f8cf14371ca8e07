// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/desktop/shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QProcess>

namespace kelodi {

void DesktopShell::openUrl(const QUrl& url)
{
    QDesktopServices::openUrl(url);
}

void DesktopShell::openTextFile(const QString& path)
{
#ifdef Q_OS_WIN
    // The editor every Windows system has; QProcess quotes the path itself.
    startDetached(QStringLiteral("notepad.exe"), {QDir::toNativeSeparators(path)});
#else
    // The desktop picks the handler for text files (through xdg-open on
    // freedesktop systems, with the file URL as its single argument).
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
#endif
}

bool DesktopShell::startDetached(const QString& program, const QStringList& arguments)
{
    return QProcess::startDetached(program, arguments);
}

}  // namespace kelodi
