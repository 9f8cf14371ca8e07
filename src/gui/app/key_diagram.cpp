// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/key_diagram.h"

#include <QFontMetrics>
#include <QPainter>

#include <string>

#include "core/keyboard/key_map.h"

namespace kelodi {

QPointer<KeyDiagram> KeyDiagram::s_instance;

namespace {

// Key widths in quarter units of an ordinary key; every row adds up to 60.
struct KeyCap {
    const char* name;
    const char* legend;
    const char* shifted;
    int quarters;
};

const std::vector<std::vector<KeyCap>>& keyboardRows()
{
    static const std::vector<std::vector<KeyCap>> rows = {
        {{"`", "`", "~", 4}, {"1", "1", "!", 4}, {"2", "2", "@", 4}, {"3", "3", "#", 4},
         {"4", "4", "$", 4}, {"5", "5", "%", 4}, {"6", "6", "^", 4}, {"7", "7", "&", 4},
         {"8", "8", "*", 4}, {"9", "9", "(", 4}, {"0", "0", ")", 4}, {"-", "-", "_", 4},
         {"=", "=", "+", 4}, {"Backspace", "Back", "", 8}},
        {{"Tab", "Tab", "", 6}, {"Q", "Q", "", 4}, {"W", "W", "", 4}, {"E", "E", "", 4},
         {"R", "R", "", 4}, {"T", "T", "", 4}, {"Y", "Y", "", 4}, {"U", "U", "", 4},
         {"I", "I", "", 4}, {"O", "O", "", 4}, {"P", "P", "", 4}, {"[", "[", "{", 4},
         {"]", "]", "}", 4}, {"\\", "\\", "|", 6}},
        {{"Caps", "Caps", "", 7}, {"A", "A", "", 4}, {"S", "S", "", 4}, {"D", "D", "", 4},
         {"F", "F", "", 4}, {"G", "G", "", 4}, {"H", "H", "", 4}, {"J", "J", "", 4},
         {"K", "K", "", 4}, {"L", "L", "", 4}, {";", ";", ":", 4}, {"'", "'", "\"", 4},
         {"Enter", "Enter", "", 9}},
        {{"LeftShift", " Shift", "", 9}, {"Z", "Z", "", 4}, {"X", "X", "", 4}, {"C", "C", "", 4},
         {"V", "V", "", 4}, {"B", "B", "", 4}, {"N", "N", "", 4}, {"M", "M", "", 4},
         {",", ",", "<", 4}, {".", ".", ">", 4}, {"/", "/", "?", 4}, {"RightShift", " Shift", "", 11}},
        {{"LeftCtrl", "Ctrl", "", 6}, {"LeftAlt", "Alt", "", 6}, {"Space", "", "", 36},
         {"RightAlt", "Alt", "", 6}, {"RightCtrl", "Ctrl", "", 6}},
    };
    return rows;
}

// One key unit is the box plus a one-pixel gap; rows are two pixels apart.
constexpr int Unit = KeyDiagram::KeyWidth + 1;
constexpr int RowPitch = KeyDiagram::KeyHeight + 2;
constexpr int KeyboardWidth = 15 * Unit - 1;
constexpr int KeyboardLeft = (KeyDiagram::ClientWidth - KeyboardWidth) / 2;
constexpr int KeyboardTop = 40;

constexpr int NotesTop = KeyboardTop + 5 * RowPitch + 30;  // first baseline
constexpr int NoteLineHeight = 24;

constexpr int DotDiameter = 3;
constexpr int DotGap = 1;     // between two stacked dots
constexpr int DigitGap = 2;   // between a dot and the digit

const QColor KeyFill(255, 255, 192);
const QColor JianpuRed(255, 0, 0);
const QColor HeadingBlue(0, 0, 255);
const QColor NoteRed(192, 0, 0);

int octaveOf(const std::string& jianpuName)
{
    // Longest prefix first: "超高音" also contains "高音".
    if (jianpuName.rfind("超高音", 0) == 0)
        return 2;
    if (jianpuName.rfind("高音", 0) == 0)
        return 1;
    if (jianpuName.rfind("低音", 0) == 0)
        return -1;
    return 0;
}

QFont legendFont(int pixelSize)
{
    QFont font;
    font.setPixelSize(pixelSize);
    return font;
}

}  // namespace

QFont KeyDiagram::digitFont()
{
    QFont font;
    font.setPixelSize(14);
    font.setBold(true);
    return font;
}

std::vector<DiagramKey> KeyDiagram::layoutKeys(const KeyMap& keyMap)
{
    std::vector<DiagramKey> keys;
    int top = KeyboardTop;
    for (const auto& row : keyboardRows()) {
        int quarters = 0;
        for (const KeyCap& cap : row) {
            DiagramKey key;
            key.name = QString::fromUtf8(cap.name);
            key.legend = QString::fromUtf8(cap.legend);
            key.shifted = QString::fromUtf8(cap.shifted);
            const int left = KeyboardLeft + quarters * Unit / 4;
            quarters += cap.quarters;
            const int right = KeyboardLeft + quarters * Unit / 4 - 1;  // exclusive, gap kept
            key.box = QRect(left, top, right - left, KeyHeight);
            keys.push_back(key);
        }
        top += RowPitch;
    }

    for (const WhiteKey& white : keyMap.whiteKeys()) {
        const QString name = QString::fromStdString(white.computerKey);
        for (DiagramKey& key : keys) {
            if (key.name.compare(name, Qt::CaseInsensitive) != 0)
                continue;
            key.keyIndex = white.keyIndex;
            const char degree = white.jianpuName.empty() ? '0' : white.jianpuName.back();
            key.digit = degree >= '1' && degree <= '7' ? degree - '0' : 0;
            key.octave = octaveOf(white.jianpuName);
            // A playing key shows its number instead of its legend.
            key.legend.clear();
            key.shifted.clear();
            break;
        }
    }
    return keys;
}

JianpuGlyph KeyDiagram::jianpuGlyph(const DiagramKey& key, const QFontMetrics& digitMetrics)
{
    JianpuGlyph glyph;
    const QRect ink = digitMetrics.tightBoundingRect(QString::number(key.digit));
    const int dotsAbove = key.octave > 0 ? key.octave : 0;
    const int dotsBelow = key.octave < 0 ? -key.octave : 0;
    const auto dotBlock = [](int count) {
        return count == 0 ? 0 : count * DotDiameter + (count - 1) * DotGap + DigitGap;
    };
    const int groupHeight = dotBlock(dotsAbove) + ink.height() + dotBlock(dotsBelow);

    int y = key.box.top() + (key.box.height() - groupHeight) / 2;
    const double centreX = key.box.left() + key.box.width() / 2.0;
    for (int i = 0; i < dotsAbove; ++i) {
        glyph.dots.emplace_back(centreX - DotDiameter / 2.0, y, DotDiameter, DotDiameter);
        y += DotDiameter + (i + 1 < dotsAbove ? DotGap : DigitGap);
    }
    glyph.digitInk =
        QRect(key.box.left() + (key.box.width() - ink.width()) / 2, y, ink.width(), ink.height());
    y += ink.height() + DigitGap;
    for (int i = 0; i < dotsBelow; ++i) {
        glyph.dots.emplace_back(centreX - DotDiameter / 2.0, y, DotDiameter, DotDiameter);
        y += DotDiameter + DotGap;
    }
    return glyph;
}

KeyDiagram::KeyDiagram(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("琴键位置"));
    setFixedSize(ClientWidth, ClientHeight);
    // It handles no keys; they stay with whatever window is active.
    setFocusPolicy(Qt::NoFocus);
    m_keys = layoutKeys(KeyMap());
}

KeyDiagram* KeyDiagram::show(QWidget* parent)
{
    if (!s_instance)
        s_instance = new KeyDiagram(parent);
    s_instance->QWidget::show();
    s_instance->raise();
    s_instance->activateWindow();
    return s_instance;
}

KeyDiagram* KeyDiagram::instance()
{
    return s_instance;
}

namespace {

void paintHeading(QPainter& painter)
{
    QFont heading = legendFont(18);
    heading.setBold(true);
    painter.setFont(heading);
    painter.setPen(HeadingBlue);
    painter.drawText(QRect(0, 8, KeyDiagram::ClientWidth, 26), Qt::AlignHCenter | Qt::AlignVCenter,
                     QStringLiteral("键盘按键示意图"));
}

// A playing key: its jianpu digit in red, with the octave dots.
void paintJianpuNumber(QPainter& painter, const DiagramKey& key)
{
    const QFont digit = KeyDiagram::digitFont();
    const QFontMetrics digitMetrics(digit);
    const JianpuGlyph glyph = KeyDiagram::jianpuGlyph(key, digitMetrics);
    const QRect ink = digitMetrics.tightBoundingRect(QString::number(key.digit));
    painter.setFont(digit);
    painter.setPen(JianpuRed);
    painter.drawText(glyph.digitInk.topLeft() - ink.topLeft(), QString::number(key.digit));
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(JianpuRed);
    for (const QRectF& dot : glyph.dots)
        painter.drawEllipse(dot);
    painter.setRenderHint(QPainter::Antialiasing, false);
}

// A key that plays nothing: its legend, and the shifted symbol small above it.
void paintLegend(QPainter& painter, const DiagramKey& key, const QColor& text)
{
    painter.setPen(text);
    const QRect inner = key.box.adjusted(3, 1, -2, -1);
    if (key.shifted.isEmpty()) {
        painter.setFont(legendFont(11));
        painter.drawText(inner, Qt::AlignLeft | Qt::AlignVCenter, key.legend);
        return;
    }
    painter.setFont(legendFont(9));
    painter.drawText(inner, Qt::AlignLeft | Qt::AlignTop, key.shifted);
    painter.setFont(legendFont(11));
    painter.drawText(inner.adjusted(7, 0, 0, 0), Qt::AlignLeft | Qt::AlignBottom, key.legend);
}

// The notes under the drawing; the two examples stand indented.
void paintNotes(QPainter& painter)
{
    struct Note {
        const char* text;
        int indent;
    };
    const Note notes[] = {
        {"说明：红色表示简谱在键盘上的按键位置", 0},
        {"Shift加上字符表示升半音，比如:", 0},
        {"“Shift+Q”表示“琴键：#C  简谱：低音#1” ", 24},
        {"“Shift+'”表示“琴键：#d1  简谱：高音#2” ", 24},
    };
    painter.setPen(NoteRed);
    painter.setFont(legendFont(13));
    int baseline = NotesTop;
    for (const Note& note : notes) {
        painter.drawText(QPoint(KeyboardLeft + note.indent, baseline), QString::fromUtf8(note.text));
        baseline += NoteLineHeight;
    }
}

}  // namespace

void KeyDiagram::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    paintHeading(painter);

    const QColor text = palette().color(QPalette::WindowText);
    for (const DiagramKey& key : m_keys) {
        painter.setPen(QColor(64, 64, 64));
        painter.setBrush(KeyFill);
        // drawRect with a pen paints one pixel beyond width and height.
        painter.drawRect(key.box.adjusted(0, 0, -1, -1));
        if (key.keyIndex >= 0)
            paintJianpuNumber(painter, key);
        else
            paintLegend(painter, key, text);
    }
    paintNotes(painter);
}

}  // namespace kelodi
