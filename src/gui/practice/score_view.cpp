// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/practice/score_view.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>

#include "core/practice/jianpu_note.h"
#include "core/practice/practice_texts.h"
#include "gui/common/utf8.h"

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
    if (symbol && !lineOf(*symbol))
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

std::optional<std::size_t> ScoreView::lineOf(std::size_t symbol) const
{
    // Lines hold the symbols in order, one after the other.
    const auto after = std::upper_bound(m_lines.begin(), m_lines.end(), symbol,
                                        [](std::size_t s, const ScoreLine& line) { return s < line.first; });
    if (after == m_lines.begin())
        return std::nullopt;
    const auto line = std::prev(after);
    if (symbol >= line->first + line->count)
        return std::nullopt;
    return static_cast<std::size_t>(line - m_lines.begin());
}

QRect ScoreView::cellRect(std::size_t line, std::size_t column)
{
    return {Margin + static_cast<int>(column) * CellWidth, Margin + static_cast<int>(line) * LineHeight, CellWidth,
            LineHeight};
}

QRect ScoreView::symbolRect(std::size_t symbol) const
{
    const std::optional<std::size_t> line = lineOf(symbol);
    return line ? cellRect(*line, symbol - m_lines[*line].first) : QRect();
}

void ScoreView::relayout()
{
    const int usable = std::max(width() - 2 * Margin, CellWidth);
    m_lines = layoutScore(m_score, static_cast<std::size_t>(usable / CellWidth));
    // No widget may be taller than QWIDGETSIZE_MAX; lines beyond it are not
    // drawn. A score cut as the practice cuts it never comes near.
    constexpr std::size_t MaxLines = (QWIDGETSIZE_MAX - 2 * Margin) / LineHeight;
    if (m_lines.size() > MaxLines)
        m_lines.resize(MaxLines);
    if (m_highlight && !lineOf(*m_highlight))
        m_highlight.reset();
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
    // Only the lines in the area to paint: a long score has thousands.
    const QRect area = event->rect();
    const std::size_t firstLine = static_cast<std::size_t>(std::max(0, (area.top() - Margin) / LineHeight));
    const std::size_t endLine =
        std::min(m_lines.size(), static_cast<std::size_t>(std::max(0, (area.bottom() - Margin) / LineHeight)) + 1);
    for (std::size_t line = firstLine; line < endLine; ++line) {
        const ScoreLine& symbols = m_lines[line];
        for (std::size_t column = 0; column < symbols.count; ++column) {
            const QRect cell = cellRect(line, column);
            if (!cell.intersects(area))
                continue;
            const std::size_t i = symbols.first + column;
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
