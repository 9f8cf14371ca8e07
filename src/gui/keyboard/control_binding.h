#pragma once

class QCheckBox;

namespace kelodi {

class CheckBox;

// A check box widget mirrors a core check box model: a click goes to the
// model (which runs the handler when the value changes), and a value the
// model takes from code is shown without the widget reporting it back as a
// click.
void bindCheckBox(CheckBox& model, QCheckBox* widget);

}  // namespace kelodi
