// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QKeyEvent;

namespace kelodi {

// The keyboard speaks Windows virtual-key codes everywhere (Q = 81, ';' = 186,
// Shift = 16, ...). On Windows they come with the event; elsewhere the key is
// identified by its physical position where the platform reports one (X11 and
// Wayland: evdev key codes), so a layout's shifted symbols never change which
// code a key has. Without a position (offscreen, synthesized events) the Qt key
// is mapped as a US layout would place it. 0 when the key has no code.
int virtualKeyCode(const QKeyEvent& event);

// Modifier mask of the event: 1 Shift, 2 Ctrl, 4 Alt, as the keyboard handlers
// take it. For the key-up of a modifier it is the state after the key went up.
int modifierMask(const QKeyEvent& event);

// The two mappings virtualKeyCode() chooses between.
int virtualKeyFromEvdev(unsigned evdevKeyCode);  // X11 key code minus 8
int virtualKeyFromQtKey(int qtKey);

}  // namespace kelodi
