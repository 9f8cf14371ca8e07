// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kelodi {

class RecordingEvents;

enum class PracticeMode { Wait, Rhythm };

// One finished pass, as kept.
struct PassRecord {
    std::string date;  // "2026-12-08 23:41", local time
    PracticeMode mode = PracticeMode::Wait;
    int speedPercent = 100;
    int accuracy = 0;    // percent
    double seconds = 0;  // 用时

    friend bool operator==(const PassRecord&, const PassRecord&) = default;
};

// The word for a mode in the records and the list: "跟弹" or "节奏".
std::string_view practiceModeName(PracticeMode mode);

// What names a song in the records: a hash of its presses (keys and times to
// the millisecond), so the same song is the same however it was loaded, and a
// recording may be practised before it has a name.
std::string songKey(const RecordingEvents& events);

// The passes of each song, one text file per song in `folder` (UTF-8, named
// after songKey): a first line "# NAME", then one line per pass,
// "DATE<TAB>MODE<TAB>SPEED<TAB>ACCURACY<TAB>SECONDS". Lines that cannot be
// read are passed over.
class PracticeHistory {
public:
    explicit PracticeHistory(std::filesystem::path folder) : m_folder(std::move(folder)) {}

    // The passes of the song, oldest first; none when there is no file.
    std::vector<PassRecord> passes(const std::string& song) const;

    // Appends a pass, making the folder and the file as needed; false when
    // it could not be written (the file keeps its earlier lines).
    bool add(const std::string& song, std::string_view name, const PassRecord& pass) const;

    const std::filesystem::path& folder() const { return m_folder; }

private:
    std::filesystem::path fileOf(const std::string& song) const;

    std::filesystem::path m_folder;
};

// How `pass` compares with the earlier passes of the same mode, one line per
// point: the time (跟弹: "比上次快 3.2 秒") or the accuracy (节奏: "准确率比上次高
// 4 %") against the last one, and the best accuracy ("准确率最好 96 %", with
// "（新纪录）" when this pass set it). "第一次这样练习这首曲子" with no earlier pass.
std::string comparisonText(const std::vector<PassRecord>& earlier, const PassRecord& pass);

// The local date and time now, "2026-12-08 23:41".
std::string currentLocalDate();

}  // namespace kelodi
