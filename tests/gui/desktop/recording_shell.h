// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QPair>
#include <QStringList>
#include <QUrl>

#include "gui/desktop/shell.h"

namespace kelodi::test {

// A Shell that launches nothing and remembers what it was asked to open.
class RecordingShell : public Shell {
public:
    void openUrl(const QUrl& url) override { urls.append(url); }
    void openTextFile(const QString& path) override { textFiles.append(path); }
    bool startDetached(const QString& program, const QStringList& arguments) override
    {
        programs.append({program, arguments});
        return true;
    }

    QList<QUrl> urls;
    QStringList textFiles;
    QList<QPair<QString, QStringList>> programs;
};

}  // namespace kelodi::test
