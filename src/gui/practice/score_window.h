// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <functional>

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

    // Where the on-screen keys are, in screen coordinates: the window is
    // never placed over them.
    void setKeysArea(std::function<QRect()> keysArea) { m_keysArea = std::move(keysArea); }

    // The least height the window is made to fit beside the main window:
    // the figures line and two rows of the score.
    static constexpr int MinimumHeight = 180;

signals:
    void tempoChanged(int percent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void returnKeyboard();
    void placeBesideMainWindow();
    void setPlace(const QPoint& frameTopLeft, const QSize& contents);
    void rememberPlace();

    ScoreView* m_view = nullptr;
    QScrollArea* m_scroll = nullptr;
    QSpinBox* m_tempo = nullptr;
    QLabel* m_figures = nullptr;
    QLabel* m_cutNotice = nullptr;
    bool m_placed = false;
    std::function<QRect()> m_keysArea;
};

}  // namespace kelodi
