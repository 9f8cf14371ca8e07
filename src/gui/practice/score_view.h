// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <optional>
#include <vector>

#include "core/practice/score.h"

namespace kelodi {

// Draws a score as jianpu: one cell per note or rest, the octave dots above
// and below the digit, in lines as wide as the view allows. The note being
// played is drawn on a highlight. The view grows downwards with its lines, up
// to the tallest widget Qt allows; it lives in a scroll area.
class ScoreView : public QWidget {
    Q_OBJECT
public:
    explicit ScoreView(QWidget* parent = nullptr);

    void setScore(const Score& score);
    const Score& score() const { return m_score; }

    // The symbol on the highlight; empty for none (also for a symbol that is
    // not drawn).
    void setHighlight(std::optional<std::size_t> symbol);
    std::optional<std::size_t> highlight() const { return m_highlight; }

    // Where symbol `symbol` is drawn, in the view's coordinates (empty for
    // none).
    QRect symbolRect(std::size_t symbol) const;
    // The lines as laid out for the current width.
    const std::vector<ScoreLine>& lines() const { return m_lines; }

    static constexpr int CellWidth = 34;
    static constexpr int LineHeight = 58;
    static constexpr int Margin = 10;

signals:
    // The highlight moved; the scroll area brings it into view.
    void highlightMoved(const QRect& area);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void relayout();
    // The line symbol `symbol` is drawn on; empty if it is not drawn.
    std::optional<std::size_t> lineOf(std::size_t symbol) const;
    static QRect cellRect(std::size_t line, std::size_t column);
    void paintSymbol(QPainter& painter, const ScoreSymbol& symbol, const QRect& cell);

    Score m_score;
    std::vector<ScoreLine> m_lines;
    std::optional<std::size_t> m_highlight;
};

}  // namespace kelodi
