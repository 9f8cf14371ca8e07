#include "gui/keyboard/control_binding.h"

#include <QCheckBox>
#include <QSignalBlocker>

#include "core/keyboard/controls.h"

namespace kelodi {

void bindCheckBox(CheckBox& model, QCheckBox* widget)
{
    auto show = [widget](int value) {
        const QSignalBlocker quiet(widget);
        widget->setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
    };
    model.display = show;
    show(model.value());
    QObject::connect(widget, &QCheckBox::clicked, widget, [&model](bool checked) { model.setChecked(checked); });
}

}  // namespace kelodi
