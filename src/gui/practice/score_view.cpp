// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/practice/score_view.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>

#include <algorithm>

#include "core/practice/jianpu_note.h"
#include "core/practice/practice_texts.h"
#include "gui/common/utf8.h"

namespace kelodi {

namespace {

const QColor HighlightColour(255, 236, 140);
const QColor HighlightFrame(214, 160, 0);

constexpr int TopSpace = 16;     // above the top digit: its dots and ties
constexpr int DigitBox = 24;     // the height of a digit's box
constexpr int DigitPixels = 20;  // the digits' font size
constexpr int Dot = 4;           // an octave dot's size
constexpr int UnderlineGap = 4;  // from one underline to the next
constexpr int QuartersPerBeat = 4;

}  // namespace

ScoreView::ScoreView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ScoreView"));
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
    relayout();
}

void ScoreView::setScore(const Score& score, const ScoreTiming& timing)
{
    m_score = score;
    m_timing = timing;
    m_highlight.reset();
    m_marks.clear();
    relayout();
    update();
}

void ScoreView::setTimeSignature(TimeSignature time)
{
    if (time == m_time)
        return;
    m_time = time;
    relayout();
    update();
}

void ScoreView::setTitle(const QString& title, const QString& originalKey)
{
    m_title = title;
    m_originalKey = originalKey;
    update(QRect(0, 0, width(), Margin + HeaderHeight));
}

QString ScoreView::headerText() const
{
    return fromUtf8(jianpuHeader(m_jianpu.time, m_title.toStdString(), m_originalKey.toStdString()));
}

void ScoreView::setHighlight(std::optional<std::size_t> note)
{
    if (note && !rowOfNote(*note))
        note.reset();
    if (note == m_highlight)
        return;
    if (m_highlight)
        updateNote(*m_highlight);
    m_highlight = note;
    if (!m_highlight)
        return;
    updateNote(*m_highlight);
    const std::size_t row = *rowOfNote(*m_highlight);
    emit highlightMoved(rowRect(row), rowRect(row + 1));
}

void ScoreView::setNoteMark(std::size_t note, const QColor& colour)
{
    if (colour.isValid())
        m_marks[note] = colour;
    else
        m_marks.erase(note);
    updateNote(note);
}

void ScoreView::clearNoteMarks()
{
    m_marks.clear();
    update();
}

QColor ScoreView::noteMark(std::size_t note) const
{
    const auto found = m_marks.find(note);
    return found == m_marks.end() ? QColor() : found->second;
}

void ScoreView::updateNote(std::size_t note)
{
    const auto [first, end] = m_jianpu.noteGlyphs(note);
    for (std::size_t g = first; g < end && g < m_glyphCells.size(); ++g)
        update(m_glyphCells[g]);
}

QRect ScoreView::noteRect(std::size_t note) const
{
    const auto [first, end] = m_jianpu.noteGlyphs(note);
    return first < end && first < m_glyphCells.size() ? m_glyphCells[first] : QRect();
}

std::optional<std::size_t> ScoreView::rowOfNote(std::size_t note) const
{
    const auto [first, end] = m_jianpu.noteGlyphs(note);
    if (first >= end || first >= m_glyphCells.size() || m_glyphCells[first].isEmpty())
        return std::nullopt;
    const std::size_t bar = m_jianpu.barOf(first);
    const auto after = std::upper_bound(m_rows.begin(), m_rows.end(), bar,
                                        [](std::size_t b, const JianpuRow& row) { return b < row.firstBar; });
    return static_cast<std::size_t>(after - m_rows.begin()) - 1;
}

QRect ScoreView::rowRect(std::size_t row) const
{
    if (row + 1 >= m_rowTops.size())
        return {};
    return QRect(0, m_rowTops[row], width(), m_rowTops[row + 1] - m_rowTops[row]);
}

std::optional<std::size_t> ScoreView::noteAt(const QPoint& point) const
{
    const auto after = std::upper_bound(m_rowTops.begin(), m_rowTops.end(), point.y());
    if (after == m_rowTops.begin() || after == m_rowTops.end())
        return std::nullopt;
    const JianpuRow& row = m_rows[static_cast<std::size_t>(after - m_rowTops.begin()) - 1];
    const std::size_t first = m_jianpu.bars[row.firstBar].first;
    const JianpuBar& last = m_jianpu.bars[row.firstBar + row.barCount - 1];
    for (std::size_t g = first; g < last.first + last.count; ++g) {
        if (m_glyphCells[g].contains(point))
            return m_jianpu.glyphs[g].note == ScoreGlyph::NoNote ? std::nullopt
                                                                 : std::optional(m_jianpu.glyphs[g].note);
    }
    return std::nullopt;
}

void ScoreView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        if (const std::optional<std::size_t> note = noteAt(event->position().toPoint()))
            emit noteClicked(*note, event->modifiers());
    }
    QWidget::mousePressEvent(event);
}

std::size_t ScoreView::levelsOf(std::size_t row) const
{
    std::size_t levels = 1;
    const JianpuRow& r = m_rows[row];
    const std::size_t first = m_jianpu.bars[r.firstBar].first;
    const JianpuBar& last = m_jianpu.bars[r.firstBar + r.barCount - 1];
    for (std::size_t g = first; g < last.first + last.count; ++g)
        levels = std::max(levels, m_jianpu.glyphs[g].keys.size());
    return levels;
}

void ScoreView::relayout()
{
    m_jianpu = layoutJianpu(m_score, m_time, m_timing);
    const int usable = std::max(width() - 2 * Margin, CellWidth);
    m_rows = breakRows(m_jianpu, static_cast<std::size_t>(usable / CellWidth));
    m_glyphCells.assign(m_jianpu.glyphs.size(), QRect());
    m_barLineX.assign(m_jianpu.bars.size(), 0);
    m_rowTops.clear();
    // No widget may be taller than QWIDGETSIZE_MAX; rows beyond it are not
    // drawn. A score cut as the practice cuts it never comes near.
    int top = Margin + HeaderHeight;
    int widest = 0;
    std::size_t drawn = 0;
    for (; drawn < m_rows.size(); ++drawn) {
        const int height = RowHeight + static_cast<int>(levelsOf(drawn) - 1) * LevelStep;
        if (top + height + Margin > QWIDGETSIZE_MAX)
            break;
        m_rowTops.push_back(top);
        const JianpuRow& row = m_rows[drawn];
        int x = Margin;
        for (std::size_t b = row.firstBar; b < row.firstBar + row.barCount; ++b) {
            const JianpuBar& bar = m_jianpu.bars[b];
            for (std::size_t g = bar.first; g < bar.first + bar.count; ++g) {
                m_glyphCells[g] = QRect(x, top, CellWidth, height);
                x += CellWidth;
            }
            m_barLineX[b] = x + CellWidth / 2;
            x += CellWidth;
        }
        widest = std::max(widest, x);
        top += height;
    }
    m_rows.resize(drawn);
    m_rowTops.push_back(top);
    if (m_highlight && !rowOfNote(*m_highlight))
        m_highlight.reset();
    setMinimumHeight(std::min(top + Margin, QWIDGETSIZE_MAX));
    // A bar wider than the view (a row of its own) widens it.
    setMinimumWidth(std::max(widest, CellWidth) + Margin);
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
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_score.notes.empty()) {
        painter.setPen(palette().color(QPalette::Disabled, QPalette::WindowText));
        painter.drawText(rect().adjusted(Margin, Margin, -Margin, -Margin), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                         fromUtf8(NoScoreText));
        return;
    }
    const QRect area = event->rect();
    if (area.top() < Margin + HeaderHeight) {
        painter.setPen(Qt::black);
        painter.drawText(QRect(Margin, Margin, width() - 2 * Margin, HeaderHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         headerText());
    }
    // Only the rows in the area to paint: a long score has thousands.
    const auto firstRow = std::upper_bound(m_rowTops.begin(), m_rowTops.end(), area.top());
    std::size_t row = firstRow == m_rowTops.begin() ? 0 : static_cast<std::size_t>(firstRow - m_rowTops.begin()) - 1;
    for (; row < m_rows.size() && m_rowTops[row] <= area.bottom(); ++row)
        paintRow(painter, row);
}

void ScoreView::paintRow(QPainter& painter, std::size_t row)
{
    const JianpuRow& r = m_rows[row];
    const int levels = static_cast<int>(levelsOf(row));
    const int top = m_rowTops[row];
    const int bottomDigitTop = top + TopSpace + (levels - 1) * LevelStep;
    for (std::size_t b = r.firstBar; b < r.firstBar + r.barCount; ++b) {
        const JianpuBar& bar = m_jianpu.bars[b];
        for (std::size_t g = bar.first; g < bar.first + bar.count; ++g)
            paintGlyph(painter, g, m_glyphCells[g], bottomDigitTop);
        painter.setPen(QPen(Qt::black, 1.2));
        painter.drawLine(QPointF(m_barLineX[b], top + TopSpace - 2), QPointF(m_barLineX[b], bottomDigitTop + DigitBox + 2));
    }
}

// Jianpu octave marks are dots: one or two above the digit for the higher
// octaves, one below for the lower one (the key labels write two dots as ":").
void ScoreView::paintGlyph(QPainter& painter, std::size_t index, const QRect& cell, int bottomDigitTop)
{
    const ScoreGlyph& glyph = m_jianpu.glyphs[index];
    const bool lit = glyph.note != ScoreGlyph::NoNote && m_highlight == glyph.note;
    const QColor mark = glyph.note != ScoreGlyph::NoNote ? noteMark(glyph.note) : QColor();
    if (lit || mark.isValid()) {
        painter.setPen(lit ? QPen(HighlightFrame) : Qt::NoPen);
        painter.setBrush(lit ? HighlightColour : mark.lighter(170));
        painter.drawRoundedRect(QRectF(cell).adjusted(1, 2, -1, -3), 4, 4);
        painter.setBrush(Qt::NoBrush);
    }
    const QColor ink = mark.isValid() ? mark.darker(130) : QColor(Qt::black);
    QFont digitFont = font();
    digitFont.setPixelSize(DigitPixels);
    painter.setFont(digitFont);
    const QFontMetrics metrics(digitFont);
    const int bottomDigitBottom = bottomDigitTop + DigitBox;
    const int centreY = bottomDigitTop + DigitBox / 2;

    if (glyph.kind == ScoreGlyph::Kind::Dash) {
        painter.setPen(QPen(ink, 2));
        painter.drawLine(QPointF(cell.center().x() - 6, centreY), QPointF(cell.center().x() + 6, centreY));
        return;
    }
    // The digits from the bottom up: a rest's 0, a note's keys lowest first.
    std::vector<JianpuNote> notes;
    if (glyph.kind == ScoreGlyph::Kind::Rest)
        notes.push_back({"0", "", ""});
    for (const int key : glyph.keys)
        notes.push_back(jianpuNote(key));
    int digitRight = cell.center().x();
    int topDigitTop = bottomDigitTop;
    for (std::size_t level = 0; level < notes.size(); ++level) {
        const JianpuNote& note = notes[level];
        const int boxTop = bottomDigitTop - static_cast<int>(level) * LevelStep;
        topDigitTop = boxTop;
        const QRect box(cell.left(), boxTop, cell.width(), DigitBox);
        const QString digits = fromUtf8(note.digits);
        painter.setPen(ink);
        painter.drawText(box, Qt::AlignCenter, digits);

        // The dots centre on the digit's own glyph, after any sharp sign.
        const QString digit = digits.right(1);
        const QRect shape = metrics.tightBoundingRect(digit);
        const int textLeft = box.center().x() - metrics.horizontalAdvance(digits) / 2;
        const int digitLeft = textLeft + metrics.horizontalAdvance(digits) - metrics.horizontalAdvance(digit);
        const int centreX = digitLeft + shape.center().x();
        const int baseline = box.top() + (box.height() - metrics.height()) / 2 + metrics.ascent();
        if (level == 0)
            digitRight = digitLeft + metrics.horizontalAdvance(digit);
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        const int aboveDots = note.above.empty() ? 0 : note.above == ":" ? 2 : 1;
        for (int i = 0; i < aboveDots; ++i) {
            const int y = baseline + shape.top() - 2 - Dot - i * (Dot + 1);
            painter.drawEllipse(QRect(centreX - Dot / 2, y, Dot, Dot));
        }
        if (!note.below.empty()) {
            // Below the underlines under the lowest digit.
            const int below = level == 0 ? glyph.underlines * UnderlineGap : 0;
            painter.drawEllipse(QRect(centreX - Dot / 2, baseline + shape.bottom() + 3 + below, Dot, Dot));
        }
        painter.setBrush(Qt::NoBrush);
    }
    if (glyph.dotted) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        painter.drawEllipse(QRectF(digitRight + 2, centreY - 1.5, 3.5, 3.5));
        painter.setBrush(Qt::NoBrush);
    }
    // Underlines join the glyphs of one beat within a bar.
    painter.setPen(QPen(ink, 1.5, Qt::SolidLine, Qt::FlatCap));
    const auto joined = [this](std::size_t a, std::size_t b, int which) {
        return b < m_jianpu.glyphs.size() && m_jianpu.barOf(a) == m_jianpu.barOf(b) &&
               m_jianpu.glyphs[a].start / QuartersPerBeat == m_jianpu.glyphs[b].start / QuartersPerBeat &&
               m_jianpu.glyphs[a].underlines >= which && m_jianpu.glyphs[b].underlines >= which;
    };
    for (int which = 1; which <= glyph.underlines; ++which) {
        const double y = bottomDigitBottom + 1 + (which - 1) * UnderlineGap;
        const double left = index > 0 && joined(index - 1, index, which) ? cell.left() : cell.left() + 4;
        const double right = joined(index, index + 1, which) ? cell.right() + 1 : cell.right() - 3;
        painter.drawLine(QPointF(left, y), QPointF(right, y));
    }
    // A tie from the note's digit before, over its dashes.
    if (glyph.tied) {
        std::size_t from = index;
        for (std::size_t g = index; g-- > 0 && m_jianpu.glyphs[g].note == glyph.note;) {
            if (m_jianpu.glyphs[g].kind == ScoreGlyph::Kind::Note) {
                from = g;
                break;
            }
        }
        const QRect& start = m_glyphCells[from];
        const bool sameRow = from != index && start.top() == cell.top();
        const double left = sameRow ? start.center().x() : cell.left() - CellWidth / 2.0;
        const double right = cell.center().x();
        const double y = topDigitTop - 2;
        QPainterPath arc;
        arc.moveTo(left, y);
        arc.quadTo((left + right) / 2, y - 10, right, y);
        painter.setPen(QPen(ink, 1.2));
        painter.drawPath(arc);
    }
}

}  // namespace kelodi
