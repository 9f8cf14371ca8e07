// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <array>
#include <memory>

#include "core/keyboard/key_map.h"
#include "core/practice/practice_view.h"
#include "core/recording/clock.h"

class QAction;
class QMenu;
class QWidget;

namespace kelodi {

class KeyMap;
class KeyPath;
class PianoKey;
class PlayerDriver;
class PracticeController;
class RecordingController;
class ScoreWindow;

// The menu "练习(&P)", the score window, the mark on the next key and the box
// "练习完成": what the practice shows. The rules are PracticeController's.
class PracticePanel : public QObject, private PracticeView {
    Q_OBJECT
public:
    // Fills `menu`, hooks the practice into the recorder's replays and the key
    // path. The panel must go before `controller` and `keyPath` do.
    PracticePanel(QMenu* menu, RecordingController& controller, KeyPath& keyPath, const KeyMap& map,
                  const std::array<PianoKey*, KeyCount>& keys, QWidget* window);
    ~PracticePanel() override;

    PracticeController& practice() { return *m_practice; }
    ScoreWindow* scoreWindow() const { return m_scoreWindow; }
    QAction* scoreWindowItem() const { return m_scoreWindowItem; }
    QAction* practiceItem() const { return m_practiceItem; }
    // The key carrying the next-key mark, -1 for none.
    int markedKey() const { return m_markedKey; }

private:
    // PracticeView
    void showScore(const Score& score) override;
    void highlightSymbol(std::optional<std::size_t> symbol) override;
    void markNextKey(int key) override;
    void showFigures(const std::optional<PracticeFigures>& figures, PracticeSession::State state) override;
    void showSummary(const PracticeFigures& figures) override;

    RecordingController& m_controller;
    KeyPath& m_keyPath;
    const KeyMap& m_map;
    std::array<PianoKey*, KeyCount> m_keys;
    QWidget* m_window;
    ScoreWindow* m_scoreWindow = nullptr;
    QAction* m_scoreWindowItem = nullptr;
    QAction* m_practiceItem = nullptr;
    int m_markedKey = -1;
    SteadyClock m_clock;
    std::unique_ptr<PlayerDriver> m_deferral;
    std::unique_ptr<PracticeController> m_practice;
};

}  // namespace kelodi
