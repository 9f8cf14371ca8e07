#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kelodi {

// The recordings folder "录制" inside the program's folder.
std::filesystem::path recordingsFolder(const std::filesystem::path& programFolder);

// Keeps the names whose last four characters, in lower case, are ".dzq" and
// sorts them by UTF-16 code unit, so "B.dzq" comes before "a.dzq" and Chinese
// names follow their character codes. Windows file names are UTF-16, so the
// menu has the same order on every system, whatever the locale or the order
// the file system returns.
std::vector<std::string> selectRecordingNames(std::vector<std::string> fileNames);

// Names (UTF-8) of the plain files in `folder`, unsorted. Folders and names
// starting with "." (hidden files on POSIX systems and the save's temporary
// files) are left out. A missing or unreadable folder gives what was found so
// far, usually nothing.
std::vector<std::string> listFileNames(const std::filesystem::path& folder);

// The menu "曲目列表(&Q)" (liebiao1): one item per recording, captioned with
// its file name; the placeholder item "列表01" when there is none. One item
// carries a check mark: the one played last, item 0 at start.
class RecordingsList {
public:
    static constexpr std::string_view PlaceholderCaption = "列表01";

    RecordingsList() = default;
    explicit RecordingsList(std::filesystem::path folder) : m_folder(std::move(folder)) {}

    // FillRecordingsList: lists the folder once; later saves show after the
    // next start.
    void fill();
    // The same with names already listed (by the GUI, or a test).
    void fill(std::vector<std::string> fileNames);

    const std::filesystem::path& folder() const { return m_folder; }
    const std::vector<std::string>& captions() const { return m_captions; }
    int checkedItem() const { return m_checked; }

    // Choosing item `index`: moves the check mark there and returns the path to
    // play (folder + caption). The placeholder's path names no file, so
    // playing it reports the file as missing. Out-of-range indices change
    // nothing and give an empty path.
    std::filesystem::path choose(int index);

private:
    std::filesystem::path m_folder;
    std::vector<std::string> m_captions{std::string(PlaceholderCaption)};
    int m_checked = 0;
};

}  // namespace kelodi
