// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/keyboard/virtual_key.h"

#include <QGuiApplication>
#include <QKeyEvent>

#include <array>

namespace kelodi {

namespace {

// evdev key codes of the main block (linux/input-event-codes.h) to
// virtual-key codes.
constexpr std::array<std::pair<unsigned, int>, 104> EvdevToVirtualKey = {{
    {1, 27},    {2, 49},    {3, 50},    {4, 51},    {5, 52},    {6, 53},    {7, 54},    {8, 55},
    {9, 56},    {10, 57},   {11, 48},   {12, 189},  {13, 187},  {14, 8},    {15, 9},    {16, 81},
    {17, 87},   {18, 69},   {19, 82},   {20, 84},   {21, 89},   {22, 85},   {23, 73},   {24, 79},
    {25, 80},   {26, 219},  {27, 221},  {28, 13},   {29, 17},   {30, 65},   {31, 83},   {32, 68},
    {33, 70},   {34, 71},   {35, 72},   {36, 74},   {37, 75},   {38, 76},   {39, 186},  {40, 222},
    {41, 192},  {42, 16},   {43, 220},  {44, 90},   {45, 88},   {46, 67},   {47, 86},   {48, 66},
    {49, 78},   {50, 77},   {51, 188},  {52, 190},  {53, 191},  {54, 16},   {55, 106},  {56, 18},
    {57, 32},   {58, 20},   {59, 112},  {60, 113},  {61, 114},  {62, 115},  {63, 116},  {64, 117},
    {65, 118},  {66, 119},  {67, 120},  {68, 121},  {69, 144},  {70, 145},  {71, 103},  {72, 104},
    {73, 105},  {74, 109},  {75, 100},  {76, 101},  {77, 102},  {78, 107},  {79, 97},   {80, 98},
    {81, 99},   {82, 96},   {83, 110},  {87, 122},  {88, 123},  {96, 13},   {97, 17},   {98, 111},
    {100, 18},  {102, 36},  {103, 38},  {104, 33},  {105, 37},  {106, 39},  {107, 35},  {108, 40},
    {109, 34},  {110, 45},  {111, 46},  {119, 19},  {125, 91},  {126, 92},  {127, 93},  {99, 44},
}};

}  // namespace

int virtualKeyFromEvdev(unsigned evdevKeyCode)
{
    for (const auto& [evdev, vk] : EvdevToVirtualKey)
        if (evdev == evdevKeyCode)
            return vk;
    return 0;
}

int virtualKeyFromQtKey(int qtKey)
{
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return qtKey;  // Qt's letter keys share the virtual-key codes 65..90
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return qtKey;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 112 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
    // Punctuation, with the symbol its key gives under Shift on a US layout.
    case Qt::Key_Semicolon: case Qt::Key_Colon: return 186;
    case Qt::Key_Apostrophe: case Qt::Key_QuoteDbl: return 222;
    case Qt::Key_BracketLeft: case Qt::Key_BraceLeft: return 219;
    case Qt::Key_BracketRight: case Qt::Key_BraceRight: return 221;
    case Qt::Key_Backslash: case Qt::Key_Bar: return 220;
    case Qt::Key_Comma: case Qt::Key_Less: return 188;
    case Qt::Key_Period: case Qt::Key_Greater: return 190;
    case Qt::Key_Slash: case Qt::Key_Question: return 191;
    case Qt::Key_Minus: case Qt::Key_Underscore: return 189;
    case Qt::Key_Equal: case Qt::Key_Plus: return 187;
    case Qt::Key_QuoteLeft: case Qt::Key_AsciiTilde: return 192;
    case Qt::Key_Exclam: return 49;
    case Qt::Key_At: return 50;
    case Qt::Key_NumberSign: return 51;
    case Qt::Key_Dollar: return 52;
    case Qt::Key_Percent: return 53;
    case Qt::Key_AsciiCircum: return 54;
    case Qt::Key_Ampersand: return 55;
    case Qt::Key_Asterisk: return 56;
    case Qt::Key_ParenLeft: return 57;
    case Qt::Key_ParenRight: return 48;
    // Control keys.
    case Qt::Key_Space: return 32;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: case Qt::Key_AltGr: return 18;
    case Qt::Key_Meta: return 91;
    case Qt::Key_Menu: return 93;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab: case Qt::Key_Backtab: return 9;
    case Qt::Key_Return: case Qt::Key_Enter: return 13;
    case Qt::Key_Escape: return 27;
    case Qt::Key_CapsLock: return 20;
    case Qt::Key_NumLock: return 144;
    case Qt::Key_ScrollLock: return 145;
    case Qt::Key_Pause: return 19;
    case Qt::Key_Print: return 44;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    default: return 0;
    }
}

int virtualKeyCode(const QKeyEvent& event)
{
#ifdef Q_OS_WIN
    if (event.nativeVirtualKey() != 0)
        return static_cast<int>(event.nativeVirtualKey() & 0xFFu);
#else
    static const bool evdevCodes = QGuiApplication::platformName() == QLatin1String("xcb")
                                   || QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if (evdevCodes && event.nativeScanCode() > 8) {
        const int vk = virtualKeyFromEvdev(event.nativeScanCode() - 8);
        if (vk != 0)
            return vk;
    }
#endif
    return virtualKeyFromQtKey(event.key());
}

int modifierMask(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers m = event.modifiers();
    int mask = 0;
    if (m & Qt::ShiftModifier)
        mask |= 1;
    if (m & Qt::ControlModifier)
        mask |= 2;
    if (m & Qt::AltModifier)
        mask |= 4;
    // Platforms differ in whether a modifier key's own event carries the state
    // before or after it; the handlers want the state after it.
    int own = 0;
    switch (event.key()) {
    case Qt::Key_Shift: own = 1; break;
    case Qt::Key_Control: own = 2; break;
    case Qt::Key_Alt: own = 4; break;
    default: break;
    }
    if (own != 0) {
        if (event.type() == QEvent::KeyPress)
            mask |= own;
        else
            mask &= ~own;
    }
    return mask;
}

}  // namespace kelodi
