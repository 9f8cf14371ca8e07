// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/console/console_io.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX  // MinGW's C++ library defines it already
#define NOMINMAX
#endif
#include <windows.h>
#include <mmsystem.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <climits>
#include <filesystem>

#include "core/text/utf8.h"

namespace kelodi {

namespace {

std::string utf8FromWide(const wchar_t* text)
{
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1)
        return {};
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), bytes, nullptr, nullptr);
    out.pop_back();  // the terminating NUL
    return out;
}

std::atomic<std::atomic<bool>*> g_stopFlag{nullptr};

// How long a console that is being closed waits for the program to end by
// itself; Windows ends it anyway after about five seconds.
constexpr DWORD CloseGrace = 4000;

// Runs on a thread the system starts for the event.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    std::atomic<bool>* flag = g_stopFlag.load();
    if (flag == nullptr)
        return FALSE;  // the next handler, in the end the system's: the program ends
    flag->store(true);
    // The system ends the program as soon as this returns from a close; the
    // program ends sooner by itself once it has stopped.
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        Sleep(CloseGrace);
    return TRUE;
}

// The console behind a stream, or nullptr when it goes to a file or a pipe.
HANDLE consoleOf(std::FILE* stream)
{
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode))
        return nullptr;
    return handle;
}

}  // namespace

std::vector<std::string> utf8Arguments(int argc, char* argv[])
{
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr)
        return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> arguments;
    arguments.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        arguments.push_back(utf8FromWide(wide[i]));
    LocalFree(wide);
    return arguments;
}

std::string executableFolder()
{
    // The name is cut short, without an error, when the buffer is too small.
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0)
            return {};
        if (length < name.size()) {
            name.resize(length);
            break;
        }
        if (name.size() >= 32768)  // the longest path Windows has
            return {};
        name.resize(name.size() * 2);
    }
    return pathToUtf8(std::filesystem::path(name).parent_path());
}

void setStopFlag(std::atomic<bool>* flag)
{
    static const bool installed = SetConsoleCtrlHandler(onConsoleEvent, TRUE) != FALSE;
    (void)installed;
    g_stopFlag.store(flag);
}

PreciseSleeps::PreciseSleeps()
{
    timeBeginPeriod(1);
}

PreciseSleeps::~PreciseSleeps()
{
    timeEndPeriod(1);
}

void useBinaryStandardStreams()
{
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

bool writeText(std::FILE* stream, std::string_view utf8)
{
    const HANDLE console = consoleOf(stream);
    if (console == nullptr || utf8.size() > static_cast<std::size_t>(INT_MAX))
        return std::fwrite(utf8.data(), 1, utf8.size(), stream) == utf8.size() && std::fflush(stream) == 0;
    std::fflush(stream);
    const int length = static_cast<int>(utf8.size());
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    if (units <= 0)
        return utf8.empty();
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), units);
    DWORD written = 0;
    return WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) &&
           written == wide.size();
}

}  // namespace kelodi
