// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/practice/practice_texts.h"

#include <charconv>
#include <cmath>

namespace kelodi {

std::string scoreCutText(std::size_t notes)
{
    return "曲谱太长，只显示前 " + std::to_string(notes) + " 个音符。";
}

std::string formatPracticeSeconds(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0)
        seconds = 0;
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, seconds, std::chars_format::fixed, 1);
    return result.ec == std::errc{} ? std::string(buffer, result.ptr) : std::string("0.0");
}

std::string accuracyText(const PracticeFigures& figures)
{
    return std::to_string(accuracyPercent(figures)) + " %";
}

std::string practiceSummaryText(const PracticeFigures& figures)
{
    return "音符：" + std::to_string(figures.notes) + " 个\n弹错：" + std::to_string(figures.misses) +
           " 次\n准确率：" + accuracyText(figures) + "\n用时：" + formatPracticeSeconds(figures.seconds) + " 秒";
}

std::string_view rhythmGradeName(RhythmGrade grade)
{
    switch (grade) {
    case RhythmGrade::OnTime: return "准";
    case RhythmGrade::Early: return "早";
    case RhythmGrade::Late: return "晚";
    case RhythmGrade::Missed: return "漏";
    case RhythmGrade::Wrong: break;
    }
    return "错";
}

std::string rhythmSummaryText(const RhythmFigures& figures)
{
    const long mean = std::lround(figures.meanOffset() * 1000);
    const long spread = std::lround(figures.offsetSpread() * 1000);
    std::string meanText = mean == 0 ? "0" : std::string(mean > 0 ? "晚 " : "早 ") + std::to_string(std::labs(mean));
    return "音符：" + std::to_string(figures.notes) + " 个\n准：" + std::to_string(figures.onTime) + " 个\n早：" +
           std::to_string(figures.early) + " 个\n晚：" + std::to_string(figures.late) + " 个\n漏：" +
           std::to_string(figures.missed) + " 个\n错：" + std::to_string(figures.wrong) + " 次\n准确率：" +
           std::to_string(rhythmAccuracyPercent(figures)) + " %\n平均偏差：" + meanText + " 毫秒\n偏差波动：±" +
           std::to_string(spread) + " 毫秒";
}

std::string rhythmFiguresLine(const RhythmFigures& figures, bool running)
{
    std::string line = running ? "节奏练习" : std::string(SummaryTitle);
    line += "　准 " + std::to_string(figures.onTime) + "　早 " + std::to_string(figures.early) + "　晚 " +
            std::to_string(figures.late) + "　漏 " + std::to_string(figures.missed) + "　错 " +
            std::to_string(figures.wrong);
    if (!running)
        line += "　准确率 " + std::to_string(rhythmAccuracyPercent(figures)) + " %";
    return line;
}

std::string practiceFiguresLine(const PracticeFigures& figures, PracticeSession::State state)
{
    std::string line;
    switch (state) {
    case PracticeSession::State::Waiting: line = "跟弹练习"; break;
    case PracticeSession::State::Finished: line = std::string(SummaryTitle); break;
    case PracticeSession::State::Idle: line = "练习已停止"; break;
    }
    line += "　音符 " + std::to_string(figures.notes) + "　弹对 " + std::to_string(figures.hits) + "　弹错 " +
            std::to_string(figures.misses);
    if (state == PracticeSession::State::Finished)
        line += "　准确率 " + accuracyText(figures) + "　用时 " + formatPracticeSeconds(figures.seconds) + " 秒";
    return line;
}

}  // namespace kelodi
