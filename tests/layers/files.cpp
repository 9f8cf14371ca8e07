// SPDX-License-Identifier: GPL-3.0-or-later
// What a target that links kelodi_files sees: the atomic writer and core.
#if !__has_include("platform/files/atomic_file.h")
#error "platform/files/atomic_file.h should be visible here"
#endif
#if !__has_include("core/recording/file_io.h")
#error "core/recording/file_io.h should be visible here"
#endif

#if __has_include("platform/midi/device_catalog.h")
#error "the file writer shows no MIDI backend (platform/midi/device_catalog.h)"
#endif
#if __has_include("platform/text/system_text_codec.h")
#error "the file writer shows no text codec (platform/text/system_text_codec.h)"
#endif
#if __has_include("gui/app/main_window.h")
#error "the file writer shows no GUI (gui/app/main_window.h)"
#endif
