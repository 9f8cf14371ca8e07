#include "gui/keyboard/piano_key.h"

#include <QMouseEvent>
#include <QPainter>

namespace kelodi {

int keyPathButton(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

PianoKey::PianoKey(int index, QWidget* parent) : QWidget(parent), m_index(index)
{
    setObjectName(QStringLiteral("CmdKey_%1").arg(index));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PianoKey::setColour(std::uint32_t colour)
{
    if (colour == m_colour)
        return;
    m_colour = colour;
    update();
}

void PianoKey::setCaption(const QString& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    update();
}

void PianoKey::resizeEvent(QResizeEvent*)
{
    setMask(QRegion(Inset, Inset, width() - 2 * Inset, height() - 2 * Inset));
}

void PianoKey::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor face(static_cast<int>(m_colour & 0xFF), static_cast<int>((m_colour >> 8) & 0xFF),
                      static_cast<int>((m_colour >> 16) & 0xFF));
    painter.fillRect(rect(), face);
    if (m_caption.isEmpty())
        return;
    // Captions carry their own blank lines to push the text down the key; the
    // block of lines is centred as a whole, like a button caption.
    QString text = m_caption;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    painter.setPen(face.lightness() < 128 ? Qt::white : Qt::black);
    painter.drawText(rect().adjusted(Inset, Inset, -Inset, -Inset), Qt::AlignCenter, text);
}

void PianoKey::mousePressEvent(QMouseEvent* event)
{
    emit mouseDown(m_index, keyPathButton(event->button()));
}

void PianoKey::mouseReleaseEvent(QMouseEvent* event)
{
    emit mouseUp(m_index, keyPathButton(event->button()));
}

}  // namespace kelodi
