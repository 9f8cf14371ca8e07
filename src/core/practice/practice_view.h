// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>

#include "core/practice/practice_session.h"

namespace kelodi {

struct Score;

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

    // The figures of the practice pass shown with the score and what the pass
    // is doing (waiting for a key, finished, or stopped: Idle); empty while
    // there is no practice to show.
    virtual void showFigures(const std::optional<PracticeFigures>& figures, PracticeSession::State state) = 0;

    // The box "练习完成" with the figures of the finished pass. May run a
    // modal loop.
    virtual void showSummary(const PracticeFigures& figures) = 0;
};

}  // namespace kelodi
