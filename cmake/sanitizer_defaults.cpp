// SPDX-License-Identifier: GPL-3.0-or-later
// Built into every program of a sanitizer build (the "sanitize" preset), so
// that the programs behave the same however they are started: by ctest, by an
// end-to-end script or by hand. Options given in the environment still win.

extern "C" {

// Leaks are looked for at exit; the order of global constructors across files
// is checked too.
const char* __asan_default_options()
{
    return "detect_leaks=1:check_initialization_order=1:strict_init_order=1";
}

// Undefined behaviour is an error with its call stack, never a note in passing.
const char* __ubsan_default_options()
{
    return "print_stacktrace=1:halt_on_error=1";
}

// A leak that a suppression below matches is no finding: say nothing of it,
// so that the programs' standard error stays as the user sees it.
const char* __lsan_default_options()
{
    return "print_suppressions=0";
}

// Leaks inside system libraries that Kelodi cannot free and does not cause.
// The system libraries are built without frame pointers, so the stack of such
// a leak ends in the library that allocated it: that library's name is what
// a suppression can match (or the library function that allocated it).
const char* __lsan_default_suppressions()
{
    return
        // libinstpatch, which FluidSynth asks whether a file is a SoundFont,
        // keeps a GLib array of file types for the life of the process;
        // the stack shows only GLib's g_realloc.
        "leak:libglib-2.0.so\n"
        // Qt's X11 platform connects to the session bus (tray, input method)
        // and libdbus keeps its connection's buffers until the process ends.
        "leak:libdbus-1.so\n"
        // SDL keeps the text of its last error per thread and frees it only
        // for threads of its own; FluidSynth's SDL2 driver, tried on the
        // synth's loader thread where there is no sound card, leaves one.
        "leak:libSDL2-2.0.so\n"
        // RtMidi's JACK output makes a new ring buffer on every attempt to
        // reach the server while it has no client, and keeps only the last:
        // a server that stops between Kelodi's check and RtMidi's own
        // connection leaves one 16 KB buffer behind. Kelodi makes no ring
        // buffers of its own.
        "leak:jack_ringbuffer_create\n";
}

}  // extern "C"
