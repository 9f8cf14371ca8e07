// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QWidget>

#include <map>
#include <optional>
#include <vector>

#include "core/practice/jianpu_layout.h"
#include "core/practice/score.h"

namespace kelodi {

// Draws a score as jianpu (see jianpu_layout.h): a header line, then rows of
// bars as wide as the view allows, each glyph in a cell: digits with their
// octave dots above and below as the key labels write them, underlines for
// half and quarter beats, dashes for held beats, bar lines, chords stacked
// highest on top, ties over notes held across a bar line. The note being
// played is drawn on a highlight, and notes may carry a colour mark (a
// practice grade). The view grows downwards with its rows, up to the tallest
// widget Qt allows; it lives in a scroll area.
class ScoreView : public QWidget {
    Q_OBJECT
public:
    explicit ScoreView(QWidget* parent = nullptr);

    // A new score: its notes, and the timing its file gives. The highlight
    // and the marks go.
    void setScore(const Score& score, const ScoreTiming& timing = {});
    const Score& score() const { return m_score; }
    void setTimeSignature(TimeSignature time);
    TimeSignature timeSignature() const { return m_jianpu.time; }
    // The song's name and original key ("D", "Am", empty for none) in the
    // header.
    void setTitle(const QString& title, const QString& originalKey = {});
    QString headerText() const;

    const JianpuScore& jianpu() const { return m_jianpu; }
    const std::vector<JianpuRow>& rows() const { return m_rows; }

    // The note (of the score) on the highlight; empty for none (also for a
    // note that is not drawn).
    void setHighlight(std::optional<std::size_t> note);
    std::optional<std::size_t> highlight() const { return m_highlight; }

    // Marks note `note` with `colour` (its digits and dashes are drawn in it
    // on a pale ground of it), e.g. a practice grade; an invalid colour
    // removes the mark. Marks stay until clearNoteMarks or a new score.
    void setNoteMark(std::size_t note, const QColor& colour);
    void clearNoteMarks();
    QColor noteMark(std::size_t note) const;

    // Where the first glyph of note `note` is drawn, in the view's
    // coordinates (empty for none), and the row it is on.
    QRect noteRect(std::size_t note) const;
    std::optional<std::size_t> rowOfNote(std::size_t note) const;
    // The area of row `row` (empty past the last drawn row).
    QRect rowRect(std::size_t row) const;
    // The note whose digit or dash is drawn at `point`; empty for none.
    std::optional<std::size_t> noteAt(const QPoint& point) const;

    static constexpr int CellWidth = 30;
    static constexpr int Margin = 10;
    static constexpr int HeaderHeight = 30;
    static constexpr int RowHeight = 66;  // of a row of single notes
    static constexpr int LevelStep = 30;  // each further note of a chord
    // The width a view needs for `cells` cells in a row.
    static constexpr int widthForCells(std::size_t cells) { return 2 * Margin + static_cast<int>(cells) * CellWidth; }

signals:
    // The highlight moved to a note on row `row`; `next` is the row after it
    // (empty when there is none). The scroll area keeps both in view.
    void highlightMoved(const QRect& row, const QRect& next);
    // The player clicked note `note` (with Shift or another modifier held).
    void noteClicked(std::size_t note, Qt::KeyboardModifiers modifiers);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void relayout();
    void updateNote(std::size_t note);
    std::size_t levelsOf(std::size_t row) const;
    void paintRow(QPainter& painter, std::size_t row);
    void paintGlyph(QPainter& painter, std::size_t glyph, const QRect& cell, int bottomDigitTop);

    Score m_score;
    ScoreTiming m_timing;
    TimeSignature m_time = DefaultTimeSignature;
    QString m_title;
    QString m_originalKey;
    JianpuScore m_jianpu;
    std::vector<JianpuRow> m_rows;
    std::vector<int> m_rowTops;       // and the bottom of the last row after them
    std::vector<QRect> m_glyphCells;  // empty rects for glyphs not drawn
    std::vector<int> m_barLineX;      // per bar
    std::optional<std::size_t> m_highlight;
    std::map<std::size_t, QColor> m_marks;
};

}  // namespace kelodi
