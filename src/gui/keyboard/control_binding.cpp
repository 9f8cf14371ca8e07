#include "gui/keyboard/control_binding.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>

#include <vector>

#include "core/keyboard/controls.h"

namespace kelodi {

void bindLabel(Label& model, QLabel* widget)
{
    auto show = [&model, widget] {
        widget->setText(QString::fromStdString(model.caption()));
        widget->setVisible(model.isVisible());
    };
    model.display = show;
    show();
}

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

void bindOptionGroup(OptionGroup& model, std::initializer_list<QRadioButton*> buttons)
{
    std::vector<QRadioButton*> list(buttons);
    auto show = [list](int selected) {
        for (int i = 0; i < static_cast<int>(list.size()); ++i) {
            const QSignalBlocker quiet(list[static_cast<std::size_t>(i)]);
            list[static_cast<std::size_t>(i)]->setChecked(i == selected);
        }
    };
    model.display = show;
    show(model.selected());
    for (int i = 0; i < static_cast<int>(list.size()); ++i)
        QObject::connect(list[static_cast<std::size_t>(i)], &QRadioButton::clicked, list[static_cast<std::size_t>(i)],
                         [&model, i] { model.select(i); });
}

}  // namespace kelodi
