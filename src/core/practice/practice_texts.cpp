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
