// SPDX-License-Identifier: GPL-3.0-or-later
// What a target that links kelodi_console sees: the console helpers and core.
#if !__has_include("platform/console/console_io.h")
#error "platform/console/console_io.h should be visible here"
#endif
#if !__has_include("core/recording/dzq_format.h")
#error "core/recording/dzq_format.h should be visible here"
#endif

#if __has_include("platform/midi/device_catalog.h")
#error "the console shows no MIDI backend (platform/midi/device_catalog.h)"
#endif
#if __has_include("gui/app/main_window.h")
#error "the console shows no GUI (gui/app/main_window.h)"
#endif
