// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/practice/practice_session.h"
#include "core/practice/rhythm_session.h"

namespace kelodi {

inline constexpr std::string_view PracticeMenuCaption = "练习(&P)";
inline constexpr std::string_view ScoreWindowItemCaption = "曲谱窗口(&W)";
inline constexpr std::string_view PracticeItemCaption = "跟弹练习(&F)";
inline constexpr std::string_view RhythmItemCaption = "节奏练习(&R)";
inline constexpr std::string_view MetronomeItemCaption = "节拍器(&M)";
inline constexpr std::string_view RecordsItemCaption = "练习记录(&L)";
inline constexpr std::string_view RecordsTitle = "练习记录";
inline constexpr std::string_view NoRecordsText = "这首曲子还没有练习记录。";
inline constexpr std::string_view SaveTakeCaption = "保存本次演奏(&S)";
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

// The word of a grade: "准", "早", "晚", "漏", "错".
std::string_view rhythmGradeName(RhythmGrade grade);

// The body of the box "练习完成" after rhythm practice, one figure per line:
// "音符：32 个", "准：28 个", "早：1 个", "晚：2 个", "漏：1 个", "错：0 次",
// "准确率：87 %", "平均偏差：晚 12 毫秒" (早 … / 0 毫秒), "偏差波动：±9 毫秒".
std::string rhythmSummaryText(const RhythmFigures& figures);

// The figures line of a rhythm pass: "节奏练习　准 3　早 0　晚 1　漏 0　错 0",
// "练习完成　…" once it is over.
std::string rhythmFiguresLine(const RhythmFigures& figures, bool running);

// The figures line of the score window: what the pass is doing (waiting,
// finished or stopped), the notes, the right and the wrong presses, and the
// accuracy and the time once it is finished.
std::string practiceFiguresLine(const PracticeFigures& figures, PracticeSession::State state);

}  // namespace kelodi
