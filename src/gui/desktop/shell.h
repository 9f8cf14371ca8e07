// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

namespace kelodi {

// Everything the program hands to the desktop: web pages for the user's
// browser, the help text for the text editor, other programs. The windows
// take a Shell so that tests can record what would have been launched.
class Shell {
public:
    virtual ~Shell() = default;

    // Opens a web address in the user's default browser. Failures are not
    // reported: there is nothing the user could do about them here.
    virtual void openUrl(const QUrl& url) = 0;

    // Opens a plain-text file for reading: the desktop's default handler for
    // text files, or the system text editor on Windows. The path travels as
    // one argument, never through a command interpreter, so blanks and shell
    // characters in it cannot split or extend the command.
    virtual void openTextFile(const QString& path) = 0;

    // Starts a program detached from this one, without a shell. False when it
    // could not be started.
    virtual bool startDetached(const QString& program, const QStringList& arguments) = 0;
};

// The real desktop.
class DesktopShell : public Shell {
public:
    void openUrl(const QUrl& url) override;
    void openTextFile(const QString& path) override;
    bool startDetached(const QString& program, const QStringList& arguments) override;
};

}  // namespace kelodi
