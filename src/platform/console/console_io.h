// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace kelodi {

// What a console program needs to read its command line and write its output
// the same way on every system. One file per system implements it.

// The program's arguments (argv[0] included) as UTF-8. On Windows they are
// taken from the wide-character command line, so a file name in any script
// arrives intact whatever the system's ANSI code page is (an ANSI argv turns
// Chinese into "?" on an English system); elsewhere argv is already UTF-8.
std::vector<std::string> utf8Arguments(int argc, char* argv[]);

// The folder the running program lies in, as UTF-8; empty where the system
// cannot tell.
std::string executableFolder();

// Makes stdout and stderr pass bytes through unchanged. On Windows the C
// library would write every "\n" as "\r\n"; output that other programs read
// (and compare with the output on other systems) keeps "\n" alone.
void useBinaryStandardStreams();

// Writes UTF-8 text to stdout or stderr. A Windows console receives it as
// UTF-16, so Chinese shows whatever the console's code page; files and pipes
// get the UTF-8 bytes as they are. False when the text could not be written.
bool writeText(std::FILE* stream, std::string_view utf8);

// From now on Ctrl+C and requests to end the program set `*flag` instead of
// ending it at once, so that it can release what it holds (the notes on a
// device) and end by itself; nullptr gives them back their default. Those
// requests are SIGINT, SIGTERM and SIGHUP, and on Windows Ctrl+C, Ctrl+Break and
// closing the console window; after a close Windows ends the program a few
// seconds later at the latest, whatever it does.
void setStopFlag(std::atomic<bool>* flag);

// While one lives, a sleeping thread wakes within about a millisecond of its
// time. Windows otherwise wakes it at its next clock tick, up to 15.6 ms
// late, far more than the millisecond a player may be late by; elsewhere
// sleeps are that precise already.
class PreciseSleeps {
public:
    PreciseSleeps();
    ~PreciseSleeps();
    PreciseSleeps(const PreciseSleeps&) = delete;
    PreciseSleeps& operator=(const PreciseSleeps&) = delete;
};

// `text` with its control characters (bytes below 0x20 and 0x7F) written as
// "\xNN", for messages that quote what a file holds: a score must not be
// able to move the cursor or retitle the terminal, and a NUL must not cut the
// message short.
std::string escapeControlCharacters(std::string_view text);

}  // namespace kelodi
