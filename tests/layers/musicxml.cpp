// SPDX-License-Identifier: GPL-3.0-or-later
// What a target that links kelodi_musicxml sees: the reader and core, but
// neither Qt nor minizip, which the reader keeps to itself.
#if !__has_include("platform/import/musicxml_reader.h")
#error "platform/import/musicxml_reader.h should be visible here"
#endif
#if !__has_include("core/import/imported_song.h")
#error "core/import/imported_song.h should be visible here"
#endif

#if __has_include(<QXmlStreamReader>) || __has_include(<QtCore/QXmlStreamReader>)
#error "the MusicXML reader shows no Qt header"
#endif
#if __has_include(<unzip.h>)
#error "the MusicXML reader shows no minizip header"
#endif
#if __has_include("platform/midi/device_catalog.h")
#error "the MusicXML reader shows no MIDI backend (platform/midi/device_catalog.h)"
#endif
#if __has_include("gui/app/main_window.h")
#error "the MusicXML reader shows no GUI (gui/app/main_window.h)"
#endif
