// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/midi/midi_log.h"

namespace kelodi {

std::unique_ptr<MidiLog> MidiLog::append(const std::string& path,
                                         std::chrono::steady_clock::time_point start)
{
    std::FILE* file = std::fopen(path.c_str(), "a");
    if (!file)
        return nullptr;
    return std::unique_ptr<MidiLog>(new MidiLog(file, start));
}

MidiLog::MidiLog(std::FILE* file, std::chrono::steady_clock::time_point start)
    : m_file(file), m_start(start)
{
}

MidiLog::~MidiLog()
{
    std::fclose(m_file);
}

double MidiLog::secondsSinceStart() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
}

std::string MidiLog::formatMessage(double seconds, ShortMessage m)
{
    char line[48];
    std::snprintf(line, sizeof line, "%.6f %02X %02X %02X %02X", seconds,
                  static_cast<unsigned>(m & 0xFFu), static_cast<unsigned>((m >> 8) & 0xFFu),
                  static_cast<unsigned>((m >> 16) & 0xFFu), static_cast<unsigned>((m >> 24) & 0xFFu));
    return line;
}

void MidiLog::message(ShortMessage m)
{
    // The time is read under the lock, so the lines of two threads come out
    // in the order of their times.
    std::lock_guard lock(m_mutex);
    const std::string line = formatMessage(secondsSinceStart(), m);
    std::fprintf(m_file, "%s\n", line.c_str());
    std::fflush(m_file);
}

void MidiLog::event(std::string_view text)
{
    std::lock_guard lock(m_mutex);
    std::fprintf(m_file, "# %.*s\n", static_cast<int>(text.size()), text.data());
    std::fflush(m_file);
}

}  // namespace kelodi
