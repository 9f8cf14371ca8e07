// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/console/console_io.h"

#include <csignal>
#include <filesystem>
#include <system_error>

#include "core/text/utf8.h"

namespace kelodi {

std::vector<std::string> utf8Arguments(int argc, char* argv[])
{
    return std::vector<std::string>(argv, argv + argc);
}

std::string executableFolder()
{
    // Linux names the running program here; other systems leave it empty.
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : pathToUtf8(self.parent_path());
}

namespace {

// Lock-free on every system the program builds for, so a signal handler may
// read it.
std::atomic<std::atomic<bool>*> g_stopFlag{nullptr};

extern "C" void setStopFlagOnSignal(int)
{
    if (std::atomic<bool>* flag = g_stopFlag.load())
        flag->store(true);
}

}  // namespace

void setStopFlag(std::atomic<bool>* flag)
{
    g_stopFlag.store(flag);
    const auto handler = flag ? setStopFlagOnSignal : SIG_DFL;
    std::signal(SIGINT, handler);
    std::signal(SIGTERM, handler);
    // The terminal closing is a request to end like any other.
    std::signal(SIGHUP, handler);
}

PreciseSleeps::PreciseSleeps() = default;
PreciseSleeps::~PreciseSleeps() = default;

void useBinaryStandardStreams() {}

bool writeText(std::FILE* stream, std::string_view utf8)
{
    return std::fwrite(utf8.data(), 1, utf8.size(), stream) == utf8.size() && std::fflush(stream) == 0;
}

}  // namespace kelodi
