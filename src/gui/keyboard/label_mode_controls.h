// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <array>

#include "core/keyboard/label_modes.h"

class QAction;
class QCheckBox;
class QMenu;
class QWidget;

namespace kelodi {

// The two ways to switch the key labels: the items of the "显示(&S)" menu and
// the boxes "简谱", "琴键", "键盘按键" of the "显示" frame. A chosen item turns
// its mode over, a clicked box sets its mode to what the box now shows; then
// items and boxes alike show the modes as LabelModes reports them.
class LabelModeControls : public QObject, private LabelModesView {
    Q_OBJECT
public:
    // Adds the items to `menu` and the boxes to `frame`.
    LabelModeControls(LabelModes& modes, QMenu* menu, QWidget* frame);
    ~LabelModeControls() override;

    QAction* menuItem(LabelMode mode) const { return m_items[static_cast<std::size_t>(mode)]; }
    QCheckBox* box(LabelMode mode) const { return m_boxes[static_cast<std::size_t>(mode)]; }

private:
    void showLabelModes(const LabelModeSet& on) override;

    LabelModes& m_modes;
    std::array<QAction*, LabelModeCount> m_items{};
    std::array<QCheckBox*, LabelModeCount> m_boxes{};
};

}  // namespace kelodi
