// SPDX-License-Identifier: GPL-3.0-or-later
// What a target that links kelodi_platform sees: its backends, the text codec
// and core, and nothing of the GUI or the score tool.
#if !__has_include("platform/midi/device_catalog.h")
#error "platform/midi/device_catalog.h should be visible here"
#endif
#if !__has_include("platform/shell/tray_area_sweep.h")
#error "platform/shell/tray_area_sweep.h should be visible here"
#endif
#if !__has_include("platform/input/auto_repeat.h")
#error "platform/input/auto_repeat.h should be visible here"
#endif
#if !__has_include("platform/text/system_text_codec.h")
#error "platform/text/system_text_codec.h should be visible here"
#endif
#if !__has_include("core/midi/midi_out.h")
#error "core/midi/midi_out.h should be visible here"
#endif

#if __has_include("gui/app/main_window.h")
#error "the platform layer must not see the GUI (gui/app/main_window.h)"
#endif
#if __has_include("gui/common/utf8.h")
#error "the platform layer must not see the GUI (gui/common/utf8.h)"
#endif
#if __has_include("cli/score_tool.h")
#error "the platform layer must not see the score tool (cli/score_tool.h)"
#endif
#if __has_include("platform/console/console_io.h")
#error "the console is the score tool's, not the platform's (platform/console/console_io.h)"
#endif
