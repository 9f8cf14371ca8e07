// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kelodi {

// What the program finds out about where it runs, before it decides where its
// files live.
struct PlaceFacts {
    std::filesystem::path programFolder;  // the executable's folder
    bool programFolderWritable = false;
    bool windows = false;
    // The user's own data folder for Kelodi (e.g. ~/.local/share/kelodi);
    // empty when the system names none.
    std::filesystem::path userDataFolder;
    // The installed, read-only data (<prefix>/share/kelodi, found from the
    // executable's place); empty when the program is not installed that way.
    std::filesystem::path sharedDataFolder;
};

// Where each file lives, and what start-up prepares.
struct DataPlaces {
    std::filesystem::path recordingsFolder;  // "录制": listed at start, dialogs open there
    std::filesystem::path helpText;          // "Kelodi说明.txt"
    std::filesystem::path newsOptOut;        // "v.sz"
    // Created at start when missing, and then given copies of the sample
    // scores in `sampleScores` (empty: none to copy).
    bool createRecordingsFolder = false;
    std::filesystem::path sampleScores;

    bool operator==(const DataPlaces&) const = default;
};

// Everything in the program's folder: a build, a portable folder, Windows.
DataPlaces programFolderPlaces(const std::filesystem::path& programFolder);

// The program folder keeps the user's files when it is writable and not an
// installed layout, and always on Windows. An installed program (or one in a
// folder the user cannot write) keeps the recordings and "v.sz" in the user's
// data folder and reads the help text and the sample scores from the shared
// data folder (beside the program when there is none). Without a user data
// folder the program folder is all there is.
DataPlaces chooseDataPlaces(const PlaceFacts& facts);

// What preparing the recordings folder did.
struct PreparedFolder {
    bool created = false;
    std::vector<std::string> copied;    // file names of the sample scores copied
    std::vector<std::string> problems;  // one line per failure, for the log
};

// Creates the recordings folder (and its parents) when `places` asks for it
// and it does not exist yet, then copies the ".dzq" files of the sample folder
// into it. A folder that already exists is left as it is, so samples the user
// deleted stay deleted; no file in it is ever replaced.
PreparedFolder prepareRecordingsFolder(const DataPlaces& places);

}  // namespace kelodi
