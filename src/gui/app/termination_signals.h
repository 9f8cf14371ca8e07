// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <csignal>
#include <vector>

class QSocketNotifier;

namespace kelodi {

// Turns the requests to end the program that come as POSIX signals — SIGTERM
// (logout, `kill`), SIGHUP (the terminal closed) and SIGINT (Ctrl+C) — into
// the Qt signal `received` on the thread that made the object, so that they
// can end the program as its own exit command does instead of cutting it off
// with notes sounding.
//
// The handler only writes the signal's number into a pipe, whose other end a
// socket notifier watches. A signal that was ignored when the program started
// (`nohup`, a background job of a script) stays ignored. The previous
// handlers come back when the object goes. One object at a time; on systems
// without these signals it does nothing.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // The signals this object catches now.
    std::vector<int> caught() const;

signals:
    void received(int signalNumber);

private:
    void readPending();

#ifdef Q_OS_UNIX
    struct Previous {
        int signalNumber;
        struct sigaction action;
    };
    std::vector<Previous> m_previous;
    int m_readEnd = -1;
    int m_writeEnd = -1;
    QSocketNotifier* m_notifier = nullptr;
#endif
};

}  // namespace kelodi
