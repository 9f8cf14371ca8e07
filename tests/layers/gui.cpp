// SPDX-License-Identifier: GPL-3.0-or-later
// What a target that links kelodi_gui sees: the GUI and core, which its
// headers build on; not the platform layer, which the GUI uses privately,
// and never the score tool's headers.
#if !__has_include("gui/app/main_window.h")
#error "gui/app/main_window.h should be visible here"
#endif
#if !__has_include("core/keyboard/key_map.h")
#error "core/keyboard/key_map.h should be visible here"
#endif

#if __has_include("platform/midi/device_catalog.h")
#error "the GUI keeps the platform layer to itself (platform/midi/device_catalog.h)"
#endif
#if __has_include("cli/score_tool.h")
#error "the GUI must not see the score tool (cli/score_tool.h)"
#endif
#if __has_include("platform/console/console_io.h")
#error "the GUI must not see the console helpers (platform/console/console_io.h)"
#endif
