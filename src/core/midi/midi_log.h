// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "core/midi/short_message.h"

namespace kelodi {

// Diagnostic trace of everything handed to an open output port, one line each,
// flushed per line so that a test (or a crash) never loses the tail:
//   0.512345 90 3C 64 00     a message: seconds since start, bytes lowest first
//   # open -1                a port event
// Any thread may write: lines stay whole and in the order of their times.
class MidiLog {
public:
    // Appends to the file at path; nullptr when it cannot be opened.
    static std::unique_ptr<MidiLog> append(const std::string& path,
                                           std::chrono::steady_clock::time_point start);
    ~MidiLog();
    MidiLog(const MidiLog&) = delete;
    MidiLog& operator=(const MidiLog&) = delete;

    void message(ShortMessage m);
    void event(std::string_view text);  // written as "# " + text

    // The line message() writes for m at the given time, without the newline.
    static std::string formatMessage(double seconds, ShortMessage m);

private:
    MidiLog(std::FILE* file, std::chrono::steady_clock::time_point start);
    double secondsSinceStart() const;

    std::mutex m_mutex;
    std::FILE* m_file;
    std::chrono::steady_clock::time_point m_start;
};

}  // namespace kelodi
