// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/tray_area_sweep.h"

#include <windows.h>

namespace kelodi {

void sweepTrayArea()
{
    const HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
    if (taskbar == nullptr)
        return;
    const HWND area = FindWindowExA(taskbar, nullptr, "TrayNotifyWnd", nullptr);
    if (area == nullptr)
        return;
    RECT rect;
    if (!GetWindowRect(area, &rect))
        return;

    const int cellWidth = GetSystemMetrics(SM_CXSMICON);
    const int cellHeight = GetSystemMetrics(SM_CYSMICON);
    if (cellWidth <= 0 || cellHeight <= 0)
        return;
    POINT saved;
    const bool haveSaved = GetCursorPos(&saved) != 0;

    // The shell drops a dead icon when the pointer passes over its cell.
    for (int row = 0; row <= (rect.bottom - rect.top) / cellHeight; ++row) {
        for (int column = 0; column <= (rect.right - rect.left) / cellWidth; ++column) {
            SetCursorPos(rect.left + cellWidth * column, rect.top + cellHeight * row);
            Sleep(0);
        }
    }

    if (haveSaved)
        SetCursorPos(saved.x, saved.y);
    RedrawWindow(area, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

}  // namespace kelodi
