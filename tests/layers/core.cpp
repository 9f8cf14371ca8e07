// SPDX-License-Identifier: GPL-3.0-or-later
// What a target that links kelodi_core sees: core's headers only.
#if !__has_include("core/midi/midi_out.h")
#error "core/midi/midi_out.h should be visible here"
#endif
#if !__has_include("core/keyboard/key_map.h")
#error "core/keyboard/key_map.h should be visible here"
#endif

#if __has_include("platform/midi/device_catalog.h")
#error "core must not see the platform layer (platform/midi/device_catalog.h)"
#endif
#if __has_include("platform/text/system_text_codec.h")
#error "core must not see the text codec (platform/text/system_text_codec.h)"
#endif
#if __has_include("platform/import/musicxml_reader.h")
#error "core must not see the MusicXML reader (platform/import/musicxml_reader.h)"
#endif
#if __has_include("gui/app/main_window.h")
#error "core must not see the GUI (gui/app/main_window.h)"
#endif
#if __has_include("cli/score_tool.h")
#error "core must not see the score tool (cli/score_tool.h)"
#endif
