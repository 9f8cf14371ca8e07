// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <array>

#include "core/keyboard/instrument_panel.h"

class QCheckBox;
class QLabel;
class QRadioButton;
class QWidget;

namespace kelodi {

class SpinnerWidget;

// The widgets of the panel at the top of the main window: the eight value
// labels with their arrows, "长音" and "静音", "单音" and "和弦", the hint and
// the instrument label, at their places on `surface`.
//
// They hand each click to the panel as the operation it stands for and show
// the state the panel reports back; they never change what they show by
// themselves, so nothing a widget shows is ever taken for a click.
class PanelWidgets : public QObject, private PanelView {
    Q_OBJECT
public:
    PanelWidgets(InstrumentPanel& panel, QWidget* surface);
    ~PanelWidgets() override;

signals:
    // A left-button press on the instrument label.
    void instrumentLabelPressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showPanel(const PanelState& state) override;
    void createSpinners(QWidget* surface);
    void createChoices(QWidget* surface);
    void createInstrumentLabels(QWidget* surface);

    InstrumentPanel& m_panel;
    std::array<QLabel*, PanelSpinnerCount> m_labels{};
    std::array<SpinnerWidget*, PanelSpinnerCount> m_spinners{};
    QCheckBox* m_sustain = nullptr;
    QCheckBox* m_mute = nullptr;
    QRadioButton* m_singleNote = nullptr;
    QRadioButton* m_chord = nullptr;
    QLabel* m_hint = nullptr;
    QLabel* m_instrument = nullptr;
};

}  // namespace kelodi
