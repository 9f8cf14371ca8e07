// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/import/musicxml_reader.h"

// Built where Qt or minizip is not available (the MinGW cross build): there
// is no MusicXML reader, and every file is refused with the reason.
namespace kelodi {

bool hasMusicXmlReader()
{
    return false;
}

ImportedSong readMusicXml(std::string_view)
{
    return failedImport(ImportProblem::NotInBuild);
}

ImportedSong readMxl(std::string_view)
{
    return failedImport(ImportProblem::NotInBuild);
}

}  // namespace kelodi
