#include "gui/practice/score_view.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>

#include "core/practice/jianpu_note.h"
#include "core/practice/practice_texts.h"
#include "gui/app/utf8.h"

namespace kelodi {

namespace {

const QColor HighlightColour(255, 236, 140);
const QColor HighlightFrame(214, 160, 0);

}  // namespace

ScoreView::ScoreView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ScoreView"));
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);
    relayout();
}

void ScoreView::setScore(const Score& score)
{
    m_score = score;
    m_highlight.reset();
    relayout();
    update();
}

void ScoreView::setHighlight(std::optional<std::size_t> symbol)
{
    if (symbol && *symbol >= m_score.symbols.size())
        symbol.reset();
    if (symbol == m_highlight)
        return;
    if (m_highlight)
        update(symbolRect(*m_highlight));
    m_highlight = symbol;
    if (m_highlight) {
        const QRect area = symbolRect(*m_highlight);
        update(area);
        emit highlightMoved(area);
    }
}

QRect ScoreView::symbolRect(std::size_t symbol) const
{
    for (std::size_t line = 0; line < m_lines.size(); ++line) {
        const ScoreLine& l = m_lines[line];
        if (symbol >= l.first && symbol < l.first + l.count) {
            const int column = static_cast<int>(symbol - l.first);
            return {Margin + column * CellWidth, Margin + static_cast<int>(line) * LineHeight, CellWidth, LineHeight};
        }
    }
    return {};
}

void ScoreView::relayout()
{
    const int usable = std::max(width() - 2 * Margin, CellWidth);
    m_lines = layoutScore(m_score, static_cast<std::size_t>(usable / CellWidth));
    const int lines = std::max<int>(static_cast<int>(m_lines.size()), 1);
    setMinimumHeight(2 * Margin + lines * LineHeight);
}

void ScoreView::resizeEvent(QResizeEvent* event)
{
    if (event->size().width() != event->oldSize().width())
        relayout();
    QWidget::resizeEvent(event);
}

void ScoreView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (m_score.symbols.empty()) {
        painter.setPen(palette().color(QPalette::Disabled, QPalette::WindowText));
        painter.drawText(rect().adjusted(Margin, Margin, -Margin, -Margin), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                         fromUtf8(NoScoreText));
        return;
    }
    for (const ScoreLine& line : m_lines) {
        for (std::size_t i = line.first; i < line.first + line.count; ++i) {
            const QRect cell = symbolRect(i);
            if (!cell.intersects(event->rect()))
                continue;
            if (m_highlight == i) {
                painter.setPen(HighlightFrame);
                painter.setBrush(HighlightColour);
                painter.drawRoundedRect(cell.adjusted(1, 2, -2, -3), 4, 4);
                painter.setBrush(Qt::NoBrush);
            }
            paintSymbol(painter, m_score.symbols[i], cell);
        }
    }
}

// Jianpu octave marks are dots: one or two above the digit for the higher
// octaves, one below for the lower one (the key labels write two dots as ":").
void ScoreView::paintSymbol(QPainter& painter, const ScoreSymbol& symbol, const QRect& cell)
{
    const JianpuNote note = symbol.isRest() ? JianpuNote{"0", "", ""} : jianpuNote(symbol.key);
    QFont digitFont = font();
    digitFont.setPixelSize(22);
    painter.setFont(digitFont);
    painter.setPen(Qt::black);
    const QString digits = fromUtf8(note.digits);
    painter.drawText(cell, Qt::AlignCenter, digits);

    // The dots centre on the digit's own glyph, after any sharp sign.
    const QFontMetrics metrics(digitFont);
    const QString digit = digits.right(1);
    const QRect glyph = metrics.tightBoundingRect(digit);
    const int textLeft = cell.center().x() - metrics.horizontalAdvance(digits) / 2;
    const int digitLeft = textLeft + metrics.horizontalAdvance(digits) - metrics.horizontalAdvance(digit);
    const int centreX = digitLeft + glyph.center().x();
    const int baseline = cell.top() + (cell.height() - metrics.height()) / 2 + metrics.ascent();
    constexpr int Dot = 4;
    constexpr int Gap = 3;
    painter.setBrush(Qt::black);
    painter.setPen(Qt::NoPen);
    const int aboveDots = note.above.empty() ? 0 : note.above == ":" ? 2 : 1;
    for (int i = 0; i < aboveDots; ++i) {
        const int y = baseline + glyph.top() - Gap - Dot - i * (Dot + 2);
        painter.drawEllipse(QRect(centreX - Dot / 2, y, Dot, Dot));
    }
    if (!note.below.empty())
        painter.drawEllipse(QRect(centreX - Dot / 2, baseline + glyph.bottom() + Gap, Dot, Dot));
    painter.setBrush(Qt::NoBrush);
}

}  // namespace kelodi
