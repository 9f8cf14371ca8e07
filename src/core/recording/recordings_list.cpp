// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/recording/recordings_list.h"

#include <algorithm>

#include "core/text/text_codec.h"
#include "core/text/utf8.h"

namespace kelodi {

namespace fs = std::filesystem;

fs::path recordingsFolder(const fs::path& programFolder)
{
    return programFolder / fs::path(u8"录制");
}

std::string fileNameCaption(const std::string& fileName, const TextCodec* codec)
{
    if (codec == nullptr || isValidUtf8(fileName))
        return fileName;
    return codec->gbkToUtf8(fileName);
}

std::vector<RecordingName> selectRecordings(const std::vector<std::string>& fileNames, const TextCodec* codec)
{
    const auto hasExtension = [](const std::string& name) {
        if (name.size() < 4)
            return false;
        std::string tail = name.substr(name.size() - 4);
        std::transform(tail.begin(), tail.end(), tail.begin(), [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        });
        return tail == ".dzq";
    };

    std::vector<std::pair<std::u16string, RecordingName>> keyed;
    for (const std::string& fileName : fileNames) {
        std::string caption = fileNameCaption(fileName, codec);
        if (!hasExtension(caption))
            continue;
        std::u16string key = utf8ToUtf16(caption);
        keyed.emplace_back(std::move(key), RecordingName{fileName, std::move(caption)});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    std::vector<RecordingName> sorted;
    sorted.reserve(keyed.size());
    for (auto& entry : keyed)
        sorted.push_back(std::move(entry.second));
    return sorted;
}

std::vector<std::string> listFileNames(const fs::path& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    const fs::directory_iterator end;
    while (!ec && it != end) {
        std::error_code entryError;
        const std::string name = pathToUtf8(it->path().filename());
        if (!name.empty() && name[0] != '.' && it->is_regular_file(entryError))
            names.push_back(name);
        it.increment(ec);
    }
    return names;
}

void RecordingsList::fill()
{
    fill(listFileNames(m_folder));
}

void RecordingsList::fill(std::vector<std::string> fileNames)
{
    m_fileNames.clear();
    m_captions.clear();
    for (RecordingName& name : selectRecordings(fileNames, m_codec)) {
        m_fileNames.push_back(std::move(name.fileName));
        m_captions.push_back(std::move(name.caption));
    }
    if (m_captions.empty()) {
        m_fileNames.emplace_back(PlaceholderCaption);
        m_captions.emplace_back(PlaceholderCaption);
    }
    m_checked = 0;
}

fs::path RecordingsList::choose(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_fileNames.size())
        return {};
    m_checked = index;
    return m_folder / pathFromUtf8(m_fileNames[static_cast<std::size_t>(index)]);
}

}  // namespace kelodi
