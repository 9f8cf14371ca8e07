// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLabel;
class QScrollArea;
class QSpinBox;

namespace kelodi {

struct Score;
class ScoreView;

// The window "曲谱": the score of the song last played or recorded, the
// practice figures above it and the tempo box of ordinary replays. It takes
// the keyboard only while the player types a value in the tempo box (after
// clicking it, until Return, Esc or a click elsewhere), so the computer
// keyboard keeps playing the main window's keys while it is open.
class ScoreWindow : public QWidget {
    Q_OBJECT
public:
    explicit ScoreWindow(QWidget* mainWindow);

    // Shows `score`, with a line above it when the score is cut.
    void setScore(const Score& score);

    ScoreView* view() const { return m_view; }
    QSpinBox* tempoBox() const { return m_tempo; }
    QLabel* figuresLabel() const { return m_figures; }
    QLabel* cutNotice() const { return m_cutNotice; }

    // Shows the window where it was, or raises it, without taking the focus.
    void showOrRaise();

signals:
    void tempoChanged(int percent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void returnKeyboard();
    void placeBesideMainWindow();

    ScoreView* m_view = nullptr;
    QScrollArea* m_scroll = nullptr;
    QSpinBox* m_tempo = nullptr;
    QLabel* m_figures = nullptr;
    QLabel* m_cutNotice = nullptr;
    bool m_placed = false;
};

}  // namespace kelodi
