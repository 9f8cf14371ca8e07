// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QLabel>

namespace kelodi {

// A label that works as a link: a hand cursor and a click signal. A web link
// rests in blue and turns red and underlined as soon as the mouse moves over
// it. It stays so when the mouse leaves; the owner of the surrounding area
// sets it back to rest (see WebLinkLabels), which keeps the links lit while
// the pointer travels between them.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    static const QColor RestColor;  // blue, rgb(0, 0, 255)
    static const QColor HotColor;   // red, rgb(255, 0, 0)

    explicit LinkLabel(const QString& text, QWidget* parent = nullptr);

    // Whether the mouse lights the label up; a command label (the key diagram
    // link) keeps its own colour.
    void setHoverEnabled(bool enabled);
    void setRestColor(const QColor& color);

    void setHot(bool hot);

signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void applyLook();

    QColor m_restColor = RestColor;
    bool m_hoverEnabled = true;
    bool m_hot = false;
    bool m_pressed = false;
};

}  // namespace kelodi
