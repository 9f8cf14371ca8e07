// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string_view>

namespace kelodi {

// Why a song file was refused. Each kind has one message for the window
// (Simplified Chinese) and one for the score tool's standard error (English),
// both kept in one table in import_problem.cpp.
enum class ImportProblem {
    None,
    Unreadable,         // the file cannot be opened or read
    TooLarge,           // the file is larger than MaxImportFileBytes
    NotMusicXml,        // neither a MusicXML score nor a compressed one
    Timewise,           // a timewise MusicXML score
    Malformed,          // not well-formed XML, or cut short
    EntityDeclarations,  // a document type that declares entities (entity expansion, external files)
    DamagedArchive,     // a .mxl archive that cannot be unpacked
    UnsafeArchivePath,  // an archive entry named with an absolute path or ".."
    UnpackedTooLarge,   // an archive entry that unpacks to more than MaxUnpackedBytes
    NoScoreInArchive,   // an archive without a score in it
    TooManyElements,    // more parts, measures or notes than a song may have
    NotInBuild,         // this build has no MusicXML reader
};

// The limits that keep a hostile file from exhausting memory. Real songs stay
// far below them: an orchestral score has a few dozen parts, some hundreds of
// measures and tens of thousands of notes.
inline constexpr std::size_t MaxImportFileBytes = 64u * 1024u * 1024u;
inline constexpr std::size_t MaxUnpackedBytes = 64u * 1024u * 1024u;
inline constexpr std::size_t MaxImportParts = 256;
inline constexpr std::size_t MaxImportMeasures = 200'000;  // of all parts together, as written
inline constexpr std::size_t MaxPlayedMeasures = 100'000;  // repeats played out
// Notes, rests and cursor moves read from a file; and notes of the song once
// its repeats are played out.
inline constexpr std::size_t MaxImportNotes = 1'000'000;
// A repeat asks for at most this many passes; more are cut to this.
inline constexpr int MaxRepeatPasses = 16;

// The window's message: "文件无法读取！", "不是 MusicXML 文件！" …
std::string_view importProblemText(ImportProblem problem);

// The score tool's message: "cannot read the file", "not a MusicXML file" …
std::string_view importProblemEnglish(ImportProblem problem);

}  // namespace kelodi
