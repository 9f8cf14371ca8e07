#pragma once

#include <functional>
#include <string>

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

// A two-arrow spinner (a scroll bar cut down to its arrows): the upper arrow
// raises the value by one, the lower arrow lowers it; the value stays in range.
class Spinner {
public:
    Spinner(int minimum, int maximum, int value)
        : m_minimum(minimum), m_maximum(maximum), m_value(value) {}

    int value() const { return m_value; }
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }

    void setValue(int value)
    {
        if (value < m_minimum)
            value = m_minimum;
        if (value > m_maximum)
            value = m_maximum;
        if (value == m_value)
            return;
        m_value = value;
        if (display)
            display(m_value);
        if (handler)
            handler();
    }
    void stepUp() { setValue(m_value + 1); }
    void stepDown() { setValue(m_value - 1); }

    std::function<void()> handler;
    std::function<void(int)> display;

private:
    int m_minimum;
    int m_maximum;
    int m_value;
};

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

// A group of option buttons, of which at most one is selected. Selecting a
// button runs the handler with its index when it was not selected before.
class OptionGroup {
public:
    explicit OptionGroup(int selected = -1) : m_selected(selected) {}

    int selected() const { return m_selected; }
    bool isSelected(int index) const { return m_selected == index; }

    void select(int index)
    {
        if (index == m_selected)
            return;
        m_selected = index;
        if (display)
            display(m_selected);
        if (handler)
            handler(index);
    }

    std::function<void(int)> handler;
    std::function<void(int)> display;

private:
    int m_selected;
};

// A label: caption and visibility. No handler; the view mirrors it.
class Label {
public:
    explicit Label(std::string caption = {}) : m_caption(std::move(caption)) {}

    const std::string& caption() const { return m_caption; }
    bool isVisible() const { return m_visible; }

    void setCaption(const std::string& caption)
    {
        if (caption == m_caption)
            return;
        m_caption = caption;
        if (display)
            display();
    }
    void setVisible(bool visible)
    {
        if (visible == m_visible)
            return;
        m_visible = visible;
        if (display)
            display();
    }

    std::function<void()> display;

private:
    std::string m_caption;
    bool m_visible = true;
};

}  // namespace kelodi
