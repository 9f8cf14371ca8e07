#pragma once

#include <QWidget>

#include <cstdint>

namespace kelodi {

// One on-screen key (CmdKey). The key is a flat face of one colour, cut to a
// rectangle 5 pixels inside its geometry, so neighbouring white keys show a
// one-pixel gap and the black keys sit above them. Presses and releases are
// reported with the button mask of the key path (1 left, 2 right, 4 middle);
// the release goes to the key where the press began.
class PianoKey : public QWidget {
    Q_OBJECT
public:
    static constexpr int Inset = 5;

    PianoKey(int index, QWidget* parent);

    int index() const { return m_index; }
    // Colour value red + 256 * green + 65536 * blue.
    void setColour(std::uint32_t colour);
    std::uint32_t colour() const { return m_colour; }
    // Caption lines separated by CR LF.
    void setCaption(const QString& caption);
    QString caption() const { return m_caption; }

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
    std::uint32_t m_colour = 0;
    QString m_caption;
};

// Button mask of the key path for a Qt mouse button.
int keyPathButton(Qt::MouseButton button);

}  // namespace kelodi
