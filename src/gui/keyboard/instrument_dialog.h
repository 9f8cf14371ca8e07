// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QString>

class QListWidget;
class QPushButton;

namespace kelodi {

// What the chooser hands back: the chosen name and its program, or an empty
// name when nothing was chosen (cancelled, closed, or OK with no entry
// selected). The program is -1 whenever the name is empty.
struct InstrumentChoice {
    QString name;
    int program = -1;
};

// The instrument chooser ("选择模拟乐器"): the 128 General MIDI names in
// program order, the current instrument preselected by its exact name.
// "选择(&O)" or a double click takes the selected entry; "取消(&C)", Escape
// and the close box take nothing.
class InstrumentDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int Width = 567;   // 8505 twips
    static constexpr int Height = 305;  // 4575 twips

    explicit InstrumentDialog(const QString& currentName, QWidget* parent = nullptr);

    // Shows the chooser modally over `parent` and returns what was chosen.
    static InstrumentChoice choose(QWidget* parent, const QString& currentName);

    const InstrumentChoice& choice() const { return m_choice; }
    QListWidget* list() const { return m_list; }

    void reject() override;

private:
    void takeSelection();

    QListWidget* m_list;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    InstrumentChoice m_choice;
};

}  // namespace kelodi
