// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/practice/practice_history.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <fstream>

#include "core/practice/practice_texts.h"
#include "core/recording/recording_events.h"

namespace kelodi {

namespace {

std::vector<std::string_view> splitTabs(std::string_view line)
{
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos)
            return fields;
        line.remove_prefix(tab + 1);
    }
}

template <typename Number>
bool readNumber(std::string_view text, Number& value)
{
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc{} && result.ptr == text.data() + text.size();
}

std::optional<PassRecord> readPass(std::string_view line)
{
    const std::vector<std::string_view> fields = splitTabs(line);
    if (fields.size() != 5)
        return std::nullopt;
    PassRecord pass;
    pass.date = std::string(fields[0]);
    if (fields[1] == practiceModeName(PracticeMode::Wait))
        pass.mode = PracticeMode::Wait;
    else if (fields[1] == practiceModeName(PracticeMode::Rhythm))
        pass.mode = PracticeMode::Rhythm;
    else
        return std::nullopt;
    // Seconds are written with one decimal; from_chars for doubles is not
    // everywhere, so tenths are read as an integer.
    std::string_view seconds = fields[4];
    const std::size_t dot = seconds.find('.');
    long whole = 0;
    int tenths = 0;
    if (!readNumber(fields[2], pass.speedPercent) || !readNumber(fields[3], pass.accuracy) ||
        !readNumber(seconds.substr(0, dot), whole) ||
        (dot != std::string_view::npos && !readNumber(seconds.substr(dot + 1, 1), tenths)))
        return std::nullopt;
    pass.seconds = static_cast<double>(whole) + tenths / 10.0;
    return pass;
}

}  // namespace

std::string_view practiceModeName(PracticeMode mode)
{
    return mode == PracticeMode::Wait ? "跟弹" : "节奏";
}

std::string songKey(const RecordingEvents& events)
{
    // FNV-1a over each press's key and its time in milliseconds.
    std::uint64_t hash = 14695981039346656037ull;
    const auto mix = [&hash](std::uint64_t value) {
        for (int i = 0; i < 8; ++i) {
            hash ^= (value >> (8 * i)) & 0xFFu;
            hash *= 1099511628211ull;
        }
    };
    double time = 0;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const double delay = events[i].delay;
        time += std::isfinite(delay) && delay > 0 ? delay : 0.0;
        if (events[i].pressedKey() < 0)
            continue;
        mix(static_cast<std::uint64_t>(events[i].pressedKey()));
        mix(static_cast<std::uint64_t>(std::llround(time * 1000)));
    }
    char text[17];
    const auto result = std::to_chars(text, text + sizeof text, hash, 16);
    std::string key(text, result.ptr);
    return std::string(16 - std::min<std::size_t>(16, key.size()), '0') + key;
}

std::filesystem::path PracticeHistory::fileOf(const std::string& song) const
{
    return m_folder / (song + ".txt");
}

std::vector<PassRecord> PracticeHistory::passes(const std::string& song) const
{
    std::vector<PassRecord> passes;
    std::ifstream in(fileOf(song), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line.front() == '#')
            continue;
        if (std::optional<PassRecord> pass = readPass(line))
            passes.push_back(std::move(*pass));
    }
    return passes;
}

bool PracticeHistory::add(const std::string& song, std::string_view name, const PassRecord& pass) const
{
    std::error_code ec;
    std::filesystem::create_directories(m_folder, ec);
    const std::filesystem::path file = fileOf(song);
    const bool fresh = !std::filesystem::exists(file, ec);
    std::ofstream out(file, std::ios::binary | std::ios::app);
    if (!out)
        return false;
    if (fresh)
        out << "# " << name << '\n';
    out << pass.date << '\t' << practiceModeName(pass.mode) << '\t' << pass.speedPercent << '\t' << pass.accuracy
        << '\t' << formatPracticeSeconds(pass.seconds) << '\n';
    out.flush();
    return static_cast<bool>(out);
}

std::string comparisonText(const std::vector<PassRecord>& earlier, const PassRecord& pass)
{
    std::vector<const PassRecord*> same;
    for (const PassRecord& record : earlier) {
        if (record.mode == pass.mode)
            same.push_back(&record);
    }
    if (same.empty())
        return "第一次这样练习这首曲子";

    std::string text;
    const PassRecord& last = *same.back();
    if (pass.mode == PracticeMode::Wait) {
        // Compared as shown: in tenths of a second.
        const long gain = std::lround(last.seconds * 10) - std::lround(pass.seconds * 10);
        if (gain == 0)
            text = "和上次一样快";
        else
            text = std::string(gain > 0 ? "比上次快 " : "比上次慢 ") + formatPracticeSeconds(std::abs(gain) / 10.0) + " 秒";
    } else {
        const int gain = pass.accuracy - last.accuracy;
        if (gain == 0)
            text = "准确率和上次一样";
        else
            text = std::string(gain > 0 ? "准确率比上次高 " : "准确率比上次低 ") + std::to_string(std::abs(gain)) + " %";
    }
    int best = 0;
    for (const PassRecord* record : same)
        best = std::max(best, record->accuracy);
    text += "\n准确率最好 " + std::to_string(std::max(best, pass.accuracy)) + " %";
    if (pass.accuracy > best)
        text += "（新纪录）";
    return text;
}

std::string currentLocalDate()
{
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    const std::tm* local = std::localtime(&now);
    if (!local)
        return "?";
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", local);
    return std::string(text, length);
}

}  // namespace kelodi
