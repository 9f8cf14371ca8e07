// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QWidget>

#include <cstdint>

class QPainter;

namespace kelodi {

// One on-screen key of the piano. The key is a flat face of one colour, cut to
// its visible part (KeyGeometry::Inset inside its geometry), so neighbouring
// white keys show a one-pixel gap and the black keys sit above them. Presses
// and releases are reported with the button mask of the key path (1 left,
// 2 right, 4 middle); the release goes to the key where the press began.
class PianoKey : public QWidget {
    Q_OBJECT
public:
    PianoKey(int index, QWidget* parent);

    int index() const { return m_index; }
    // Colour value red + 256 * green + 65536 * blue.
    void setColour(std::uint32_t colour);
    std::uint32_t colour() const { return m_colour; }
    // Caption lines separated by CR LF.
    void setCaption(const QString& caption);
    QString caption() const { return m_caption; }

    // The mark of the next key to press: a light green face (a sounding key
    // stays red inside a green frame) and the computer key that plays it,
    // with a Shift arrow above for a black key. An empty key removes it.
    void setGuide(const QString& computerKey, bool shift);
    bool isGuided() const { return !m_guideKey.isEmpty(); }
    QString guideKey() const { return m_guideKey; }
    static QColor guideColour();

signals:
    void mouseDown(int index, int button);
    void mouseUp(int index, int button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int m_index;
    void paintGuide(QPainter& painter);

    std::uint32_t m_colour = 0;
    QString m_caption;
    QString m_guideKey;
    bool m_guideShift = false;
};

// Button mask of the key path for a Qt mouse button.
int keyPathButton(Qt::MouseButton button);

}  // namespace kelodi
