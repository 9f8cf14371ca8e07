// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/message_box_width.h"

#include <QLabel>
#include <QMessageBox>

#include <algorithm>

namespace kelodi {

void fitTitle(QMessageBox& box)
{
    // Room for the frame's icon and its three buttons beside the title.
    constexpr int FrameButtons = 160;
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        const int title = box.fontMetrics().horizontalAdvance(box.windowTitle()) + FrameButtons;
        label->setMinimumWidth(std::max(label->minimumWidth(), title));
    }
}

}  // namespace kelodi
