#include "core/recording/recordings_list.h"

#include <algorithm>

#include "core/text/utf8.h"

namespace kelodi {

namespace fs = std::filesystem;

fs::path recordingsFolder(const fs::path& programFolder)
{
    return programFolder / fs::path(u8"录制");
}

std::vector<std::string> selectRecordingNames(std::vector<std::string> fileNames)
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
    std::erase_if(fileNames, [&](const std::string& name) { return !hasExtension(name); });

    std::vector<std::pair<std::u16string, std::string>> keyed;
    keyed.reserve(fileNames.size());
    for (std::string& name : fileNames)
        keyed.emplace_back(utf8ToUtf16(name), std::move(name));
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    std::vector<std::string> sorted;
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
    std::vector<std::string> names = selectRecordingNames(std::move(fileNames));
    if (names.empty())
        names.emplace_back(PlaceholderCaption);
    m_captions = std::move(names);
    m_checked = 0;
}

fs::path RecordingsList::choose(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_captions.size())
        return {};
    m_checked = index;
    return m_folder / pathFromUtf8(m_captions[static_cast<std::size_t>(index)]);
}

}  // namespace kelodi
