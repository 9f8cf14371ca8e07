// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/practice/practice_session.h"

namespace kelodi {

inline constexpr std::string_view PracticeMenuCaption = "练习(&P)";
inline constexpr std::string_view ScoreWindowItemCaption = "曲谱窗口(&W)";
inline constexpr std::string_view PracticeItemCaption = "跟弹练习(&F)";
inline constexpr std::string_view ScoreWindowTitle = "曲谱";
inline constexpr std::string_view TempoCaption = "回放速度";
inline constexpr std::string_view TempoToolTip = "录制回放和播放文件的速度，从下一个音起生效";
inline constexpr std::string_view NoScoreText = "播放或录制一首曲子后，这里显示它的简谱。";
inline constexpr std::string_view SummaryTitle = "练习完成";

// The line above a score cut after its first `notes` notes:
// "曲谱太长，只显示前 10000 个音符。"
std::string scoreCutText(std::size_t notes);

// Seconds with one decimal, "." as the decimal mark whatever the locale.
std::string formatPracticeSeconds(double seconds);

// The accuracy as shown: "91 %".
std::string accuracyText(const PracticeFigures& figures);

// The body of the box "练习完成", one figure per line ("\n"):
// "音符：32 个", "弹错：3 次", "准确率：91 %", "用时：25.3 秒".
std::string practiceSummaryText(const PracticeFigures& figures);

// The figures line of the score window: what the pass is doing (waiting,
// finished or stopped), the notes, the right and the wrong presses, and the
// accuracy and the time once it is finished.
std::string practiceFiguresLine(const PracticeFigures& figures, PracticeSession::State state);

}  // namespace kelodi
