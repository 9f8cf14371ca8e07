// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

#include <array>
#include <filesystem>
#include <memory>

#include "core/keyboard/key_map.h"
#include "core/practice/practice_view.h"

class QAction;
class QMenu;
class QMessageBox;
class QWidget;

namespace kelodi {

class KeyMap;
class KeyPath;
class Metronome;
class MidiPort;
class PianoKey;
class PracticeController;
class PracticeHistory;
class RecordingController;
class RecordingPanel;
class ScoreWindow;

// The menu "练习(&P)", the score window, the mark on the next key, the grade
// colours, the box "练习完成" and the list "练习记录": what the practice shows.
// The rules are PracticeController's. The practice and the metronome keep
// time on the recording panel's clock and scheduler.
class PracticePanel : public QObject, private PracticeView {
    Q_OBJECT
public:
    // Fills `menu`, hooks the practice into the recorder's replays and the key
    // path; the metronome clicks on `port`, the passes are kept in
    // `historyFolder`. The panel must go before `recording` and `keyPath` do.
    PracticePanel(QMenu* menu, RecordingPanel& recording, KeyPath& keyPath, MidiPort& port, const KeyMap& map,
                  const std::array<PianoKey*, KeyCount>& keys, const std::filesystem::path& historyFolder,
                  QWidget* window);
    ~PracticePanel() override;

    PracticeController& practice() { return *m_practice; }
    ScoreWindow* scoreWindow() const { return m_scoreWindow; }
    QAction* scoreWindowItem() const { return m_scoreWindowItem; }
    QAction* practiceItem() const { return m_practiceItem; }
    QAction* rhythmItem() const { return m_rhythmItem; }
    QAction* metronomeItem() const { return m_metronomeItem; }
    QAction* recordsItem() const { return m_recordsItem; }
    // The key carrying the next-key mark, -1 for none.
    int markedKey() const { return m_markedKey; }

    // The colour of a grade in the score.
    static QColor gradeColour(RhythmGrade grade);

    // Saves the last pass's take into the recordings folder, lists it at once
    // and returns its path (empty when nothing was saved).
    std::filesystem::path saveTake();

    // Shows the list "练习记录" of the current song's passes.
    void showRecords();

private:
    // PracticeView
    void showScore(const Score& score) override;
    void highlightSymbol(std::optional<std::size_t> symbol) override;
    void markNextKey(int key) override;
    void showFigures(const std::optional<PracticeFigures>& figures, PracticeSession::State state) override;
    void showRhythmFigures(const RhythmFigures& figures, bool running) override;
    void showGrade(std::size_t symbol, RhythmGrade grade) override;
    void clearGrades() override;
    void showSummary(const PassSummary& summary, std::function<void()> closed) override;

    void chooseMode();
    void followTimeSignature();

    RecordingPanel& m_recording;
    RecordingController& m_controller;
    KeyPath& m_keyPath;
    const KeyMap& m_map;
    std::array<PianoKey*, KeyCount> m_keys;
    QWidget* m_window;
    ScoreWindow* m_scoreWindow = nullptr;
    QAction* m_scoreWindowItem = nullptr;
    QAction* m_practiceItem = nullptr;
    QAction* m_rhythmItem = nullptr;
    QAction* m_metronomeItem = nullptr;
    QAction* m_recordsItem = nullptr;
    QPointer<QMessageBox> m_summaryBox;
    int m_markedKey = -1;
    std::unique_ptr<Metronome> m_metronome;
    std::unique_ptr<PracticeHistory> m_history;
    std::unique_ptr<PracticeController> m_practice;
};

}  // namespace kelodi
