// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into every test program built for Windows. The C library there
// writes "\n" as "\r\n" in its default text mode, and CTest reads the list of
// tests from a program's output: a "\r" would end up in every test name. The
// streams are switched to binary before main() (and GoogleTest) runs.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace {

const bool binaryStandardOutput = [] {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    return true;
}();

}  // namespace
