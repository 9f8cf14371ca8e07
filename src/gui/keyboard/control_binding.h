#pragma once

#include <initializer_list>

class QCheckBox;
class QLabel;
class QRadioButton;

namespace kelodi {

class CheckBox;
class Label;
class OptionGroup;

// Widgets mirror the core control models: a click goes to the model (which
// runs the handler when the value changes), and a value the model takes from
// code is shown without the widget reporting it back as a click.
void bindLabel(Label& model, QLabel* widget);
void bindCheckBox(CheckBox& model, QCheckBox* widget);
void bindOptionGroup(OptionGroup& model, std::initializer_list<QRadioButton*> buttons);

}  // namespace kelodi
