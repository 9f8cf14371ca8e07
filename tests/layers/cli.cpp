// SPDX-License-Identifier: GPL-3.0-or-later
// The score tool's own headers show nothing else.
#if !__has_include("cli/score_tool.h")
#error "cli/score_tool.h should be visible here"
#endif

#if __has_include("core/midi/midi_out.h")
#error "the score tool's headers come alone (core/midi/midi_out.h)"
#endif
#if __has_include("gui/app/main_window.h")
#error "the score tool sees no GUI (gui/app/main_window.h)"
#endif
