// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/keyboard/label_mode_controls.h"

#include <QAction>
#include <QCheckBox>
#include <QMenu>

#include "gui/common/twips.h"

namespace kelodi {

namespace {

struct ModeControl {
    LabelMode mode;
    const char* menuCaption;
    const char* boxCaption;
    const char* name;  // of the item and the box: JianpuMenuItem, JianpuBox
    int boxTop;        // in twips, inside the frame
};

constexpr ModeControl ModeControls[] = {
    {LabelMode::Jianpu, "简谱(&P)", "简谱", "Jianpu", 300},
    {LabelMode::NoteName, "琴键(&Y)", "琴键", "NoteName", 540},
    {LabelMode::ComputerKey, "键盘按键(&J)", "键盘按键", "ComputerKey", 780},
};

}  // namespace

LabelModeControls::LabelModeControls(LabelModes& modes, QMenu* menu, QWidget* frame)
    : QObject(frame), m_modes(modes)
{
    for (const ModeControl& control : ModeControls) {
        const LabelMode mode = control.mode;
        const auto slot = static_cast<std::size_t>(mode);
        const QString name = QString::fromLatin1(control.name);

        QAction* item = menu->addAction(QString::fromUtf8(control.menuCaption));
        item->setObjectName(name + QStringLiteral("MenuItem"));
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, mode] { m_modes.toggle(mode); });
        m_items[slot] = item;

        auto* box = new QCheckBox(QString::fromUtf8(control.boxCaption), frame);
        box->setObjectName(name + QStringLiteral("Box"));
        box->setGeometry(twipRect(180, control.boxTop, 1215, 195));
        connect(box, &QCheckBox::clicked, this, [this, mode](bool checked) { m_modes.setMode(mode, checked); });
        m_boxes[slot] = box;
    }
    m_modes.setView(this);
}

LabelModeControls::~LabelModeControls()
{
    m_modes.setView(nullptr);
}

// A chosen item and a clicked box have already changed their own look; this
// sets every item and box to the modes as they now are.
void LabelModeControls::showLabelModes(const LabelModeSet& on)
{
    for (std::size_t i = 0; i < on.size(); ++i) {
        m_items[i]->setChecked(on[i]);
        m_boxes[i]->setChecked(on[i]);
    }
}

}  // namespace kelodi
