// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/termination_signals.h"

#ifdef Q_OS_UNIX
#include <QSocketNotifier>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>
#endif

namespace kelodi {

#ifdef Q_OS_UNIX

namespace {

constexpr int TerminationSignalNumbers[] = {SIGTERM, SIGHUP, SIGINT};

// The pipe's write end, for the handler; -1 while no object catches signals.
volatile std::sig_atomic_t signalPipe = -1;

// Runs in the signal's context: nothing but async-signal-safe calls. A full
// pipe drops the byte; the ones already in it are enough.
void writeSignalNumber(int signalNumber)
{
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe, &byte, 1);
    errno = savedErrno;
}

bool setFlags(int descriptor)
{
    const int status = ::fcntl(descriptor, F_GETFL);
    return status != -1 && ::fcntl(descriptor, F_SETFL, status | O_NONBLOCK) != -1 &&
           ::fcntl(descriptor, F_SETFD, FD_CLOEXEC) != -1;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    int ends[2];
    if (::pipe(ends) != 0)
        return;  // the signals keep their default action
    m_readEnd = ends[0];
    m_writeEnd = ends[1];
    if (!setFlags(m_readEnd) || !setFlags(m_writeEnd))
        return;
    m_notifier = new QSocketNotifier(m_readEnd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPending);
    signalPipe = m_writeEnd;
    for (const int signalNumber : TerminationSignalNumbers) {
        struct sigaction previous {};
        if (::sigaction(signalNumber, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = writeSignalNumber;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        if (::sigaction(signalNumber, &action, nullptr) == 0)
            m_previous.push_back({signalNumber, previous});
    }
}

TerminationSignals::~TerminationSignals()
{
    // The handlers go before the pipe does: the descriptor's number may be
    // given to another file once it is closed.
    for (const Previous& previous : m_previous)
        ::sigaction(previous.signalNumber, &previous.action, nullptr);
    signalPipe = -1;
    delete m_notifier;
    if (m_readEnd != -1)
        ::close(m_readEnd);
    if (m_writeEnd != -1)
        ::close(m_writeEnd);
}

std::vector<int> TerminationSignals::caught() const
{
    std::vector<int> numbers;
    for (const Previous& previous : m_previous)
        numbers.push_back(previous.signalNumber);
    return numbers;
}

void TerminationSignals::readPending()
{
    unsigned char bytes[16];
    for (;;) {
        const ssize_t count = ::read(m_readEnd, bytes, sizeof bytes);
        if (count <= 0)
            return;
        for (ssize_t i = 0; i < count; ++i)
            emit received(bytes[i]);
    }
}

#else

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {}
TerminationSignals::~TerminationSignals() = default;
std::vector<int> TerminationSignals::caught() const { return {}; }
void TerminationSignals::readPending() {}

#endif

}  // namespace kelodi
