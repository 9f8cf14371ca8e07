// SPDX-License-Identifier: GPL-3.0-or-later
// What a target that links kelodi_text sees: the codec and core.
#if !__has_include("platform/text/system_text_codec.h")
#error "platform/text/system_text_codec.h should be visible here"
#endif
#if !__has_include("core/text/utf8.h")
#error "core/text/utf8.h should be visible here"
#endif

#if __has_include("platform/midi/device_catalog.h")
#error "the text codec shows no MIDI backend (platform/midi/device_catalog.h)"
#endif
#if __has_include("platform/console/console_io.h")
#error "the text codec shows no console (platform/console/console_io.h)"
#endif
#if __has_include("gui/app/main_window.h")
#error "the text codec shows no GUI (gui/app/main_window.h)"
#endif
