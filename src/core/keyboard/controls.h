#pragma once

#include <functional>

namespace kelodi {

// Models of the main window's controls. The panel's rules live in core, so the
// controls do too: the widgets only mirror these values and forward clicks.
//
// The rule every control keeps: setting a value from code runs the control's
// handler exactly when the value changes, and the handler has completed when
// the setter returns. Setting the value it already has runs nothing. Handlers
// do not know whether the user or the program made the change. The message
// counts of the channel panel depend on this.
//
// `handler` is the control's event handler (VsbVolume_Change, ChkSustain_Click,
// Option1_Click). `display` lets a view mirror the new state; it runs before
// the handler, so a widget already shows the value the handler reads.

// A check box: 0 unchecked, 1 checked, 2 greyed.
class CheckBox {
public:
    explicit CheckBox(int value = 0) : m_value(value) {}

    int value() const { return m_value; }
    bool isChecked() const { return m_value == 1; }

    void setValue(int value)
    {
        if (value == m_value)
            return;
        m_value = value;
        if (display)
            display(m_value);
        if (handler)
            handler();
    }
    void setChecked(bool checked) { setValue(checked ? 1 : 0); }

    std::function<void()> handler;
    std::function<void(int)> display;

private:
    int m_value;
};

}  // namespace kelodi
