// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QMessageBox;

namespace kelodi {

// Makes a message box wide enough to show its whole title beside the window
// manager's buttons: a short text ("播放的文件不存在！") would otherwise make a
// box so narrow that its title shows as "Ke…90".
void fitTitle(QMessageBox& box);

}  // namespace kelodi
