// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/app/data_places.h"

#include <system_error>

#include "core/desktop/desktop_texts.h"
#include "core/desktop/news_opt_out.h"
#include "core/recording/recordings_list.h"
#include "core/text/utf8.h"

namespace kelodi {

namespace fs = std::filesystem;

namespace {

bool isScoreName(const fs::path& name)
{
    std::string extension = pathToUtf8(name.extension());
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return extension == ".dzq";
}

std::string describe(const std::string& what, const fs::path& path, const std::error_code& error)
{
    return what + " " + pathToUtf8(path) + ": " + error.message();
}

}  // namespace

DataPlaces programFolderPlaces(const fs::path& programFolder)
{
    DataPlaces places;
    places.recordingsFolder = recordingsFolder(programFolder);
    places.helpText = programFolder / pathFromUtf8(HelpTextFileName);
    places.newsOptOut = programFolder / pathFromUtf8(NoNewsPopupFileName);
    return places;
}

DataPlaces chooseDataPlaces(const PlaceFacts& facts)
{
    const bool installed = !facts.sharedDataFolder.empty();
    if (facts.windows || (facts.programFolderWritable && !installed) || facts.userDataFolder.empty())
        return programFolderPlaces(facts.programFolder);

    // The shipped files: in share/kelodi when installed, otherwise beside the
    // program (a portable folder the user cannot write to).
    const fs::path& shipped = installed ? facts.sharedDataFolder : facts.programFolder;
    DataPlaces places;
    places.recordingsFolder = recordingsFolder(facts.userDataFolder);
    places.helpText = shipped / pathFromUtf8(HelpTextFileName);
    places.newsOptOut = facts.userDataFolder / pathFromUtf8(NoNewsPopupFileName);
    places.createRecordingsFolder = true;
    places.sampleScores = recordingsFolder(shipped);
    return places;
}

PreparedFolder prepareRecordingsFolder(const DataPlaces& places)
{
    PreparedFolder result;
    if (!places.createRecordingsFolder)
        return result;
    std::error_code error;
    // symlink_status: a dangling link where the folder should be is the
    // user's, not a missing folder.
    if (fs::symlink_status(places.recordingsFolder, error).type() != fs::file_type::not_found) {
        if (error)
            result.problems.push_back(describe("cannot look at", places.recordingsFolder, error));
        return result;
    }
    // Another copy of the program may create it at the same moment: then
    // create_directories reports no error and the copies below skip what
    // that copy has already put there.
    fs::create_directories(places.recordingsFolder, error);
    if (error) {
        result.problems.push_back(describe("cannot create", places.recordingsFolder, error));
        return result;
    }
    result.created = true;
    if (places.sampleScores.empty())
        return result;

    fs::directory_iterator it(places.sampleScores, error);
    if (error) {
        result.problems.push_back(describe("cannot list", places.sampleScores, error));
        return result;
    }
    for (const fs::directory_iterator end; it != end; it.increment(error)) {
        const fs::path source = it->path();
        std::error_code entryError;
        if (!it->is_regular_file(entryError) || !isScoreName(source.filename()))
            continue;
        const fs::path target = places.recordingsFolder / source.filename();
        if (fs::copy_file(source, target, fs::copy_options::skip_existing, entryError))
            result.copied.push_back(pathToUtf8(source.filename()));
        else if (entryError)
            result.problems.push_back(describe("cannot copy", source, entryError));
    }
    if (error)
        result.problems.push_back(describe("cannot list", places.sampleScores, error));
    return result;
}

}  // namespace kelodi
