// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kelodi {

class TextCodec;

// The recordings folder "录制" inside the program's folder.
std::filesystem::path recordingsFolder(const std::filesystem::path& programFolder);

// A recording in the folder: its file name as the file system holds it (the
// bytes that open it) and the name the menu shows (UTF-8).
struct RecordingName {
    std::string fileName;
    std::string caption;
    bool operator==(const RecordingName&) const = default;
};

// The text a file name shows: the name itself when it is UTF-8; otherwise it
// is decoded as GBK with `codec`, since such a name was most likely copied
// from a Chinese Windows system with its bytes unchanged. Without a codec the
// name is shown as it is.
std::string fileNameCaption(const std::string& fileName, const TextCodec* codec);

// Keeps the files whose captions end in ".dzq" (last four characters, in
// lower case) and sorts them by the UTF-16 code units of their captions, so
// "B.dzq" comes before "a.dzq" and Chinese names follow their character
// codes. Windows file names are UTF-16, so the menu has the same order on
// every system, whatever the locale or the order the file system returns.
std::vector<RecordingName> selectRecordings(const std::vector<std::string>& fileNames, const TextCodec* codec);

// Names of the plain files in `folder`, unsorted: UTF-8 on Windows, the bytes
// the file system holds elsewhere (not always UTF-8). Folders and names
// starting with "." (hidden files on POSIX systems and the save's temporary
// files) are left out. A missing or unreadable folder gives what was found so
// far, usually nothing.
std::vector<std::string> listFileNames(const std::filesystem::path& folder);

// The menu "曲目列表(&Q)": one item per recording, captioned with
// its file name; the placeholder item "列表01" when there is none. One item
// carries a check mark: the one played last, item 0 at start.
class RecordingsList {
public:
    static constexpr std::string_view PlaceholderCaption = "列表01";

    RecordingsList() = default;
    // `codec` decodes file names that are not UTF-8 for their captions.
    explicit RecordingsList(std::filesystem::path folder, const TextCodec* codec = nullptr)
        : m_folder(std::move(folder)), m_codec(codec)
    {
    }

    // FillRecordingsList: lists the folder once; later saves show after the
    // next start.
    void fill();
    // The same with names already listed (by the GUI, or a test).
    void fill(std::vector<std::string> fileNames);

    const std::filesystem::path& folder() const { return m_folder; }
    const std::vector<std::string>& captions() const { return m_captions; }
    int checkedItem() const { return m_checked; }

    // Choosing item `index`: moves the check mark there and returns the path to
    // play: the folder and the item's file name, byte for byte. The
    // placeholder's path names no file, so playing it reports the file as
    // missing. Out-of-range indices change nothing and give an empty path.
    std::filesystem::path choose(int index);

private:
    std::filesystem::path m_folder;
    const TextCodec* m_codec = nullptr;
    std::vector<std::string> m_fileNames{std::string(PlaceholderCaption)};
    std::vector<std::string> m_captions{std::string(PlaceholderCaption)};
    int m_checked = 0;
};

}  // namespace kelodi
