// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/import/imported_song.h"

#include <algorithm>
#include <tuple>

namespace kelodi {

std::size_t ImportedSong::noteCount() const
{
    std::size_t count = 0;
    for (const ImportedPart& part : parts)
        count += part.notes.size();
    return count;
}

ImportedSong failedImport(ImportProblem problem, const std::string& detail)
{
    ImportedSong song;
    song.problem = problem;
    song.error = importProblemEnglish(problem);
    if (!detail.empty())
        song.error += ": " + detail;
    return song;
}

void sortNotes(std::vector<ImportedNote>& notes)
{
    std::stable_sort(notes.begin(), notes.end(), [](const ImportedNote& a, const ImportedNote& b) {
        return std::tie(a.start, a.pitch, a.end) < std::tie(b.start, b.pitch, b.end);
    });
}

}  // namespace kelodi
