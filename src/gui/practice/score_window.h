// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <functional>

class QComboBox;
class QHBoxLayout;
class QLabel;
class QScrollArea;
class QSpinBox;

namespace kelodi {

struct Score;
struct SongFile;
class ScoreView;

// The window "曲谱": the score of the song last played or recorded as jianpu,
// the practice figures above it, the tempo box of ordinary replays and the
// time signature the score is written in ("拍号", remembered for each song
// file). It takes the keyboard only while the player types a value in the
// tempo box (after clicking it, until Return, Esc or a click elsewhere), so
// the computer keyboard keeps playing the main window's keys while it is
// open. The row of the note being played stays in the upper half of the
// score, the row after it wholly in view.
class ScoreWindow : public QWidget {
    Q_OBJECT
public:
    explicit ScoreWindow(QWidget* mainWindow);

    // Shows `score`, with a line above it when the score is cut. The song's
    // file (see setSongFile) gives its name, timing and time signature.
    void setScore(const Score& score);

    // Where the window learns the file of the song it is given (an empty
    // path for a take recorded on the keys).
    void setSongFile(std::function<const SongFile&()> songFile) { m_songFile = std::move(songFile); }

    ScoreView* view() const { return m_view; }
    QSpinBox* tempoBox() const { return m_tempo; }
    QComboBox* timeSignatureBox() const { return m_timeSignature; }
    QLabel* figuresLabel() const { return m_figures; }
    QLabel* cutNotice() const { return m_cutNotice; }

    // Shows the window where it was, or raises it, without taking the focus.
    void showOrRaise();

    // Where the on-screen keys are, in screen coordinates: the window is
    // never placed over them.
    void setKeysArea(std::function<QRect()> keysArea) { m_keysArea = std::move(keysArea); }

    // The least height the window reads well at, and is made to fit beside
    // the main window with: the figures line and one row of notes.
    int readableHeight() const;

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
    void chooseTimeSignature(int index);
    void keepRowsInView(const QRect& row, const QRect& next);

    ScoreView* m_view = nullptr;
    QScrollArea* m_scroll = nullptr;
    QHBoxLayout* m_topRow = nullptr;  // the figures, time signature and tempo
    QSpinBox* m_tempo = nullptr;
    QLabel* m_figures = nullptr;
    QLabel* m_cutNotice = nullptr;
    QComboBox* m_timeSignature = nullptr;
    bool m_placed = false;
    std::function<QRect()> m_keysArea;
    std::function<const SongFile&()> m_songFile;
    QString m_songKey;  // the song file's settings key; empty for none
};

}  // namespace kelodi
