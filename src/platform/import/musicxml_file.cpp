// SPDX-License-Identifier: GPL-3.0-or-later
#include <cctype>
#include <string>
#include <type_traits>

#include "core/recording/file_io.h"
#include "platform/import/musicxml_reader.h"

namespace kelodi {

ImportedSong readMusicXmlFile(const std::filesystem::path& path)
{
    std::string error;
    FileReadFailure failure = FileReadFailure::None;
    const std::optional<std::string> bytes = readFileBytes(path, MaxImportFileBytes, &error, &failure);
    if (!bytes)
        return failedImport(failure == FileReadFailure::TooLarge ? ImportProblem::TooLarge : ImportProblem::Unreadable,
                            error);
    // Zip archives begin with a local file header (or, empty, with the end
    // of the central directory).
    const bool zip = bytes->rfind("PK\x03\x04", 0) == 0 || bytes->rfind("PK\x05\x06", 0) == 0;
    return zip ? readMxl(*bytes) : readMusicXml(*bytes);
}

bool isMusicXmlFileName(const std::filesystem::path& path)
{
    // The native name (wide on Windows), folded to lower-case ASCII.
    const std::filesystem::path::string_type native = path.extension().native();
    std::string extension;
    for (const std::filesystem::path::value_type c : native) {
        const auto code = static_cast<std::make_unsigned_t<std::filesystem::path::value_type>>(c);
        extension += code < 0x80 ? static_cast<char>(std::tolower(static_cast<int>(code))) : '?';
    }
    return extension == ".musicxml" || extension == ".xml" || extension == ".mxl";
}

}  // namespace kelodi
