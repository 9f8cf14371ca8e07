// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string_view>

#include "core/import/imported_song.h"

namespace kelodi {

// Reading MusicXML, the exchange format of notation programs, into an
// ImportedSong (see core/import/musicxml_score.h for how a score plays out):
// partwise scores of MusicXML 1.0 to 4.0, plain (.musicxml, .xml) or
// compressed (.mxl). Nothing is ever written to disk.
//
// Every refusal comes back as a song without parts whose `problem` says why
// and whose `error` gives an English detail (with the line and column for
// malformed XML). Refused are:
// - files larger than MaxImportFileBytes (TooLarge);
// - anything that is not a partwise score (NotMusicXml, Timewise);
// - malformed XML (Malformed);
// - a document type that declares entities, which is how entity expansion
//   ("billion laughs") and external entities are brought in; the reader
//   never fetches a document type or an entity from anywhere
//   (EntityDeclarations);
// - archives that are damaged or encrypted (DamagedArchive), that name an
//   entry with an absolute path or ".." (UnsafeArchivePath), whose score
//   unpacks to more than MaxUnpackedBytes — counted while it unpacks,
//   whatever the archive's headers claim (UnpackedTooLarge) — or that hold
//   no score (NoScoreInArchive);
// - scores with more than MaxImportParts parts, MaxImportMeasures measures or
//   MaxImportNotes notes (TooManyElements).
// The build without Qt (the Windows cross build) has no reader: every call
// returns NotInBuild.
//
// In use, the window and the score tool alike:
//   const ImportedSong song = readMusicXmlFile(path);
//   if (!song.ok()) {
//       // the window shows importProblemText(song.problem);
//       // the score tool prints song.error ("not a MusicXML score: ...")
//   }
//   // song.parts: one per MusicXML part, or per voice of a part that has
//   // several (track = the part's place in the file, voice = its voice).
// Link Kelodi::MusicXml (kelodi_musicxml); its users see neither Qt nor
// minizip.

// Whether this build reads MusicXML at all.
bool hasMusicXmlReader();

// A plain MusicXML document.
ImportedSong readMusicXml(std::string_view bytes);

// A compressed MusicXML archive: the score named by META-INF/container.xml,
// or without a container the one .musicxml or .xml file at the top level.
ImportedSong readMxl(std::string_view bytes);

// A file of either kind, told apart by its content (a zip archive or not);
// Unreadable or TooLarge when the file cannot be read.
ImportedSong readMusicXmlFile(const std::filesystem::path& path);

// Whether a file name has one of the extensions MusicXML files are saved
// with: .musicxml, .xml or .mxl, in any case.
bool isMusicXmlFileName(const std::filesystem::path& path);

}  // namespace kelodi
