// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "core/practice/practice_session.h"
#include "core/practice/rhythm_session.h"

namespace kelodi {

struct Score;

// The box that ends a pass: its title, its text (the figures, then how the
// pass compares with the earlier ones) and whether the player's own presses
// were kept, so that "保存本次演奏" can save them.
struct PassSummary {
    std::string title;
    std::string text;
    bool takeKept = false;
};

// What the practice shows: the score window and the marked key. The GUI
// implements it; it only draws.
class PracticeView {
public:
    virtual ~PracticeView() = default;

    // The song to show: the file last played or recorded.
    virtual void showScore(const Score& score) = 0;

    // Highlights symbol `symbol` of the score shown (the note being played)
    // and keeps it in view; empty for none.
    virtual void highlightSymbol(std::optional<std::size_t> symbol) = 0;

    // Marks key 0..43 as the key of the next press; -1 removes the mark.
    virtual void markNextKey(int key) = 0;

    // The figures of the follow-along pass shown with the score and what the
    // pass is doing (waiting for a key, finished, or stopped: Idle); empty
    // while there is no practice to show.
    virtual void showFigures(const std::optional<PracticeFigures>& figures, PracticeSession::State state) = 0;

    // The figures of a rhythm pass, running or not.
    virtual void showRhythmFigures(const RhythmFigures& figures, bool running) = 0;

    // Colours symbol `symbol` of the score by the grade its note got in
    // rhythm practice; clearGrades takes every colour off.
    virtual void showGrade(std::size_t symbol, RhythmGrade grade) = 0;
    virtual void clearGrades() = 0;

    // The box at the end of a pass. It is shown once the pass has ended;
    // `closed` runs when the player has closed it (never inside this call).
    virtual void showSummary(const PassSummary& summary, std::function<void()> closed) = 0;
};

}  // namespace kelodi
