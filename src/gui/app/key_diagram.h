// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <vector>

class QFontMetrics;

namespace kelodi {

class KeyMap;

// One key of the drawn computer keyboard.
struct DiagramKey {
    QString name;     // the key as the key map names it: "Q", ";", "'"; or "Tab", "Enter", …
    QString legend;   // printed on keys that play nothing
    QString shifted;  // smaller second legend: the shifted symbol of digits and punctuation
    QRect box;        // in client pixels, 29 x 25 for an ordinary key
    int keyIndex = -1;  // the piano key it plays, -1 when none
    int digit = 0;      // jianpu digit 1..7 on a playing key
    int octave = 0;     // -1 low (dot below), 0 middle, 1 high (dot above), 2 extra high (two dots)
};

// Where a jianpu number goes inside its key: the ink of the digit and the
// octave dots around it, centred as one group.
struct JianpuGlyph {
    QRect digitInk;             // where the digit's pixels go
    std::vector<QRectF> dots;   // each dot's bounding box
};

// The key diagram ("琴键位置"): a picture of the computer keyboard's main
// block with the jianpu number of every key that plays a note, drawn from
// the key map. It reacts to nothing; there is at most one, shown modelessly,
// and closing it deletes it.
class KeyDiagram : public QWidget {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 511;   // 7665 twips
    static constexpr int ClientHeight = 307;  // 4605 twips
    static constexpr int KeyWidth = 29;       // 435 twips
    static constexpr int KeyHeight = 25;      // 375 twips

    // Brings the open diagram to the front, or creates and shows a new one
    // owned by `parent`.
    static KeyDiagram* show(QWidget* parent);
    // The open diagram, or nullptr.
    static KeyDiagram* instance();

    // The keyboard drawing: every key in rows, playing keys tied to the key
    // map's white keys by their computer key.
    static std::vector<DiagramKey> layoutKeys(const KeyMap& keyMap);
    static JianpuGlyph jianpuGlyph(const DiagramKey& key, const QFontMetrics& digitMetrics);
    static QFont digitFont();

    const std::vector<DiagramKey>& keys() const { return m_keys; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    explicit KeyDiagram(QWidget* parent);

    std::vector<DiagramKey> m_keys;
    static QPointer<KeyDiagram> s_instance;
};

}  // namespace kelodi
