// SPDX-License-Identifier: GPL-3.0-or-later
// A MIDI output driver for Wine that plays nothing and writes down what it
// receives: the Windows counterpart of jack_midi_dump in the Linux tests.
// Its input devices are loopbacks: input device N, once started, receives
// every short message output device N is sent, as a keyboard would send it. The
// test Wine prefix names it as its sound driver (scripts/wine-run), so
// winmm.dll, the MIDI mapper and the WinMM backend above it are Wine's and the
// program's own; only the device at the bottom is this one.
//
// Wine loads it as winekelodi.drv from the programs' folder: its sound
// system asks the driver for a priority and endpoints (none), and winmm.dll
// then takes the MIDI output and input entry points, modMessage and
// midMessage, from it.
//
// Environment:
//   KELODI_LOOPBACK_DEVICES  how many output devices, and as many input
//                            devices, it offers (0..8, default 1)
//   KELODI_LOOPBACK_LOG      Windows path of a file it appends a line to for
//                            every call: "SECONDS DEVICE open|reset|close" or
//                            "SECONDS DEVICE B0 B1 B2 B3", the short message's
//                            bytes lowest first in upper-case hex, as the
//                            window's --midi-log writes them.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <mmsystem.h>
#include <mmddk.h>

#include <cstdio>
#include <cwchar>

// winmm.dll's way for a driver to call back whoever opened a device; MinGW's
// headers leave it out.
extern "C" __declspec(dllimport) BOOL WINAPI DriverCallback(DWORD_PTR callback, DWORD flags, HDRVR device,
                                                           DWORD message, DWORD_PTR user, DWORD_PTR first,
                                                           DWORD_PTR second);

namespace {

constexpr UINT MaxDevices = 8;

UINT deviceCount()
{
    wchar_t text[16] = {};
    const DWORD length = GetEnvironmentVariableW(L"KELODI_LOOPBACK_DEVICES", text, 16);
    if (length == 0 || length >= 16)
        return 1;
    const unsigned long count = std::wcstoul(text, nullptr, 10);
    return count > MaxDevices ? MaxDevices : static_cast<UINT>(count);
}

double secondsSinceLoad()
{
    static LARGE_INTEGER start = [] {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return now;
    }();
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// One line per call, written straight through so that a test reading the
// file sees it at once.
void logLine(UINT device, const char* what)
{
    wchar_t path[1024] = {};
    const DWORD length = GetEnvironmentVariableW(L"KELODI_LOOPBACK_LOG", path, 1024);
    if (length == 0 || length >= 1024)
        return;
    char line[96];
    const int size = std::snprintf(line, sizeof line, "%.6f %u %s\n", secondsSinceLoad(), device, what);
    const HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(size), &written, nullptr);
    CloseHandle(file);
}

void logMessage(UINT device, DWORD message)
{
    char bytes[16];
    std::snprintf(bytes, sizeof bytes, "%02X %02X %02X %02X", static_cast<unsigned>(message & 0xFF),
                  static_cast<unsigned>((message >> 8) & 0xFF), static_cast<unsigned>((message >> 16) & 0xFF),
                  static_cast<unsigned>(message >> 24));
    logLine(device, bytes);
}

// Device 0 carries a Latin-1 letter, so that the ANSI names of the
// capabilities are seen to become UTF-8.
DWORD getCaps(UINT device, MIDIOUTCAPSW* caps, DWORD_PTR size)
{
    if (caps == nullptr || size < sizeof(MIDIOUTCAPSW))
        return MMSYSERR_INVALPARAM;
    ZeroMemory(caps, sizeof *caps);
    caps->wMid = 74;
    caps->wPid = static_cast<WORD>(100 + device);
    caps->vDriverVersion = 0x0501;
    if (device == 0)
        std::swprintf(caps->szPname, 32, L"Kelodi Loopback Caf\u00E9");
    else
        std::swprintf(caps->szPname, 32, L"Kelodi Loopback %u", device + 1);
    caps->wTechnology = MOD_MIDIPORT;
    caps->wChannelMask = 0xFFFF;
    return MMSYSERR_NOERROR;
}

DWORD getInputCaps(UINT device, MIDIINCAPSW* caps, DWORD_PTR size)
{
    if (caps == nullptr || size < sizeof(MIDIINCAPSW))
        return MMSYSERR_INVALPARAM;
    ZeroMemory(caps, sizeof *caps);
    caps->wMid = 74;
    caps->wPid = static_cast<WORD>(200 + device);
    caps->vDriverVersion = 0x0501;
    if (device == 0)
        std::swprintf(caps->szPname, 32, L"Kelodi Loopback In Caf\u00E9");
    else
        std::swprintf(caps->szPname, 32, L"Kelodi Loopback In %u", device + 1);
    return MMSYSERR_NOERROR;
}

// An open input device: whom winmm.dll asked to be told, and whether it is
// started.
struct Input {
    bool open = false;
    bool started = false;
    MIDIOPENDESC desc{};
    DWORD flags = 0;
};

CRITICAL_SECTION* inputLock()
{
    static CRITICAL_SECTION* lock = [] {
        auto* section = new CRITICAL_SECTION;
        InitializeCriticalSection(section);
        return section;
    }();
    return lock;
}

Input inputs[MaxDevices];

void tell(const Input& input, UINT message, DWORD_PTR first, DWORD_PTR second)
{
    DriverCallback(input.desc.dwCallback, HIWORD(input.flags), reinterpret_cast<HDRVR>(input.desc.hMidi), message,
                   input.desc.dwInstance, first, second);
}

DWORD inputMessage(UINT device, UINT message, DWORD_PTR first, DWORD_PTR second)
{
    EnterCriticalSection(inputLock());
    Input& input = inputs[device];
    DWORD result = MMSYSERR_NOERROR;
    switch (message) {
    case MIDM_OPEN:
        if (input.open || first == 0) {
            result = MMSYSERR_ALLOCATED;
            break;
        }
        input.open = true;
        input.started = false;
        input.desc = *reinterpret_cast<MIDIOPENDESC*>(first);
        input.flags = static_cast<DWORD>(second);
        logLine(device, "in-open");
        tell(input, MIM_OPEN, 0, 0);
        break;
    case MIDM_START: input.started = input.open; break;
    case MIDM_STOP:
    case MIDM_RESET: input.started = false; break;
    case MIDM_CLOSE:
        if (input.open) {
            input.open = false;
            input.started = false;
            logLine(device, "in-close");
            tell(input, MIM_CLOSE, 0, 0);
        }
        break;
    default: result = MMSYSERR_NOTSUPPORTED; break;
    }
    LeaveCriticalSection(inputLock());
    return result;
}

// What output device `device` is sent goes on to its input twin.
void loopBack(UINT device, DWORD message)
{
    EnterCriticalSection(inputLock());
    const Input input = inputs[device];
    LeaveCriticalSection(inputLock());
    if (input.started)
        tell(input, MIM_DATA, message, GetTickCount());
}

}  // namespace

extern "C" {

// What Wine's sound system asks of a driver. It has no audio endpoints;
// Priority_Preferred (3) makes it the driver Wine picks.
__declspec(dllexport) int WINAPI GetPriority()
{
    return 3;
}

__declspec(dllexport) HRESULT WINAPI GetEndpointIDs(int, void**, void**, UINT* count, UINT* defaultIndex)
{
    if (count)
        *count = 0;
    if (defaultIndex)
        *defaultIndex = 0;
    return E_NOTIMPL;
}

__declspec(dllexport) HRESULT WINAPI GetAudioEndpoint(void*, void*, void**)
{
    return E_NOTIMPL;
}

__declspec(dllexport) HRESULT WINAPI GetAudioSessionManager(void*, void**)
{
    return E_NOTIMPL;
}

__declspec(dllexport) LRESULT WINAPI DriverProc(DWORD_PTR, HDRVR, UINT message, LPARAM, LPARAM)
{
    switch (message) {
    case DRV_LOAD:
    case DRV_FREE:
    case DRV_OPEN:
    case DRV_CLOSE:
    case DRV_ENABLE:
    case DRV_DISABLE:
        return 1;
    default:
        return 0;
    }
}

__declspec(dllexport) DWORD WINAPI modMessage(UINT device, UINT message, DWORD_PTR, DWORD_PTR first,
                                              DWORD_PTR second)
{
    switch (message) {
    case DRVM_INIT:
    case DRVM_EXIT:
    case DRVM_ENABLE:
    case DRVM_DISABLE:
        return MMSYSERR_NOERROR;
    case MODM_GETNUMDEVS:
        return deviceCount();
    }
    if (device >= deviceCount())
        return MMSYSERR_BADDEVICEID;
    switch (message) {
    case MODM_GETDEVCAPS:
        return getCaps(device, reinterpret_cast<MIDIOUTCAPSW*>(first), second);
    case MODM_OPEN:
        logLine(device, "open");
        return MMSYSERR_NOERROR;
    case MODM_DATA:
        logMessage(device, static_cast<DWORD>(first));
        loopBack(device, static_cast<DWORD>(first));
        return MMSYSERR_NOERROR;
    case MODM_RESET:
        logLine(device, "reset");
        return MMSYSERR_NOERROR;
    case MODM_CLOSE:
        logLine(device, "close");
        return MMSYSERR_NOERROR;
    default:
        return MMSYSERR_NOTSUPPORTED;
    }
}

__declspec(dllexport) DWORD WINAPI midMessage(UINT device, UINT message, DWORD_PTR, DWORD_PTR first,
                                              DWORD_PTR second)
{
    switch (message) {
    case DRVM_INIT:
    case DRVM_EXIT:
    case DRVM_ENABLE:
    case DRVM_DISABLE:
        return MMSYSERR_NOERROR;
    case MIDM_GETNUMDEVS:
        return deviceCount();
    }
    if (device >= deviceCount())
        return MMSYSERR_BADDEVICEID;
    if (message == MIDM_GETDEVCAPS)
        return getInputCaps(device, reinterpret_cast<MIDIINCAPSW*>(first), second);
    return inputMessage(device, message, first, second);
}

}  // extern "C"
