// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QLabel;
class QWidget;

namespace kelodi {

class LinkLabel;
class Shell;

// The row of link labels in the main window's bottom frame:
//   0 "软件主页:"  1 home page link   2 "软件升级:"  3 upgrade page link
//   7 "QQ号码:"    6 chat link         4 "按键图示" (opens the key diagram)
// Number 5 does not exist. The web links open their address through the
// Shell; "按键图示" emits keyDiagramRequested.
//
// The web links light up under the mouse. Mouse moves over the frame, and
// over any other area passed to watch() (the main window's background), set
// them back to rest.
class WebLinkLabels : public QObject {
    Q_OBJECT
public:
    // Creates the labels as children of `frame` at their places.
    WebLinkLabels(Shell& shell, QWidget* frame);

    // nullptr for 5 and numbers outside 0..7.
    QLabel* label(int index) const;
    // The labels that act on a click (1, 3, 4, 6); nullptr otherwise.
    LinkLabel* link(int index) const;

    // Mouse moves over `area` (not over its child widgets) rest the links.
    void watch(QWidget* area);

public slots:
    void resetLinks();
    // A click on label `index`: runs the label's action; plain captions do nothing.
    void click(int index);

signals:
    void keyDiagramRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Shell& m_shell;
    QLabel* m_labels[8] = {};
};

}  // namespace kelodi
