// SPDX-License-Identifier: GPL-3.0-or-later
// The MusicXML reader at its boundary: what a file's elements become, and
// hostile or broken files refused with the reason.

#include <gtest/gtest.h>

#include <minizip/zip.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/import/musicxml_reader.h"

namespace kelodi {
namespace {

}  // namespace

void PrintTo(const ImportedNote& note, std::ostream* out)
{
    *out << "{" << note.start << ", " << note.end << ", " << note.pitch << ", " << note.velocity << "}";
}

namespace {

const std::string DataFolder = std::string(KELODI_IMPORT_TEST_DATA) + "/musescore/";

std::string fileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A score with what a notation program writes around the music.
std::string score(const std::string& partList, const std::string& parts)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE score-partwise PUBLIC \"-//Recordare//DTD MusicXML 4.0 Partwise//EN\" "
           "\"http://www.musicxml.org/dtds/partwise.dtd\">\n"
           "<score-partwise version=\"4.0\">\n"
           "<work><work-title>小星星</work-title></work>\n"
           "<part-list>" + partList + "</part-list>\n" + parts + "</score-partwise>\n";
}

const std::string OneNote = score("<score-part id=\"P1\"><part-name>Flute</part-name></score-part>",
                                  "<part id=\"P1\"><measure number=\"1\"><attributes><divisions>1</divisions>"
                                  "</attributes><note><pitch><step>C</step><octave>4</octave></pitch>"
                                  "<duration>4</duration></note></measure></part>");

TEST(MusicXmlReader, ElementsBecomeTheSong)
{
    const std::string xml = score(
        "<score-part id=\"P1\"><part-name>Clarinet in B♭</part-name>"
        "<score-instrument id=\"P1-I1\"><instrument-name>Clarinet</instrument-name></score-instrument>"
        "<midi-instrument id=\"P1-I1\"><midi-channel>2</midi-channel><midi-program>72</midi-program>"
        "</midi-instrument></score-part>"
        "<score-part id=\"P2\"><part-name>Drums</part-name>"
        "<score-instrument id=\"P2-I36\"><instrument-name>Bass Drum</instrument-name></score-instrument>"
        "<score-instrument id=\"P2-I39\"><instrument-name>Snare</instrument-name></score-instrument>"
        "<midi-instrument id=\"P2-I36\"><midi-channel>10</midi-channel><midi-unpitched>36</midi-unpitched>"
        "</midi-instrument>"
        "<midi-instrument id=\"P2-I39\"><midi-channel>10</midi-channel><midi-unpitched>39</midi-unpitched>"
        "</midi-instrument></score-part>",
        // The clarinet: written in E minor, sounding a tone lower; quarter =
        // 60 by the metronome mark alone; a chord tied by <tied> only; a
        // second voice after <backup>; a first ending for passes 1 and 2.
        "<part id=\"P1\">"
        "<measure number=\"1\"><attributes><divisions>2</divisions>"
        "<key><fifths>1</fifths><mode>minor</mode></key><time><beats>3+2</beats><beat-type>8</beat-type></time>"
        "<transpose><diatonic>-1</diatonic><chromatic>-2</chromatic></transpose></attributes>"
        "<direction><direction-type><metronome><beat-unit>quarter</beat-unit><per-minute>c. 60</per-minute>"
        "</metronome></direction-type></direction>"
        "<note><pitch><step>F</step><alter>1</alter><octave>4</octave></pitch><duration>2</duration>"
        "<voice>1</voice></note>"
        "<note><pitch><step>E</step><octave>4</octave></pitch><duration>3</duration><voice>1</voice>"
        "<notations><tied type=\"start\"/></notations></note>"
        "<note><chord/><pitch><step>G</step><octave>4</octave></pitch><duration>3</duration><voice>1</voice></note>"
        "<backup><duration>5</duration></backup>"
        "<note><pitch><step>B</step><octave>3</octave></pitch><duration>5</duration><voice>2</voice></note>"
        "</measure>"
        "<measure number=\"2\"><barline location=\"left\"><ending number=\"1, 2\" type=\"start\"/></barline>"
        "<note><pitch><step>E</step><octave>4</octave></pitch><duration>5</duration><voice>1</voice>"
        "<notations><tied type=\"stop\"/></notations></note>"
        "<barline location=\"right\"><ending number=\"1, 2\" type=\"stop\"/>"
        "<repeat direction=\"backward\"/></barline></measure>"
        "<measure number=\"3\"><barline location=\"left\"><ending number=\"3\" type=\"start\"/></barline>"
        "<note dynamics=\"50\"><pitch><step>D</step><octave>4</octave></pitch><duration>5</duration>"
        "<voice>1</voice></note></measure>"
        "</part>"
        "<part id=\"P2\">"
        "<measure number=\"1\"><attributes><divisions>1</divisions></attributes>"
        "<note><unpitched><display-step>F</display-step><display-octave>4</display-octave></unpitched>"
        "<duration>1</duration><instrument id=\"P2-I36\"/></note>"
        "<note><unpitched><display-step>C</display-step><display-octave>5</display-octave></unpitched>"
        "<duration>1</duration><instrument id=\"P2-I39\"/></note>"
        "</measure></part>");
    const ImportedSong song = readMusicXml(xml);
    ASSERT_TRUE(song.ok()) << song.error;
    EXPECT_EQ(song.title, "小星星");
    EXPECT_EQ(song.key, (KeySignature{-1, true}));  // E minor, a tone down: D minor
    EXPECT_EQ(song.time, (TimeSignature{5, 8}));
    EXPECT_DOUBLE_EQ(song.beatSeconds, 0.5);
    // Bars 1 and 2 (the ending for passes 1 and 2), again, then bar 1 and
    // the third ending.
    EXPECT_EQ(song.barStarts, (std::vector<double>{0, 2.5, 5, 7.5, 10, 12.5}));

    ASSERT_EQ(song.parts.size(), 3u);
    const ImportedPart& upper = song.parts[0];
    EXPECT_EQ(upper.name, "Clarinet in B♭");
    EXPECT_EQ(upper.instrument, "Clarinet");
    EXPECT_EQ(upper.program, 71);
    EXPECT_EQ(upper.channel, 1);
    EXPECT_EQ(upper.track, 1);
    EXPECT_EQ(upper.voice, 1);
    EXPECT_FALSE(upper.percussion);
    // The E4 (sounding D4) tied over the bar line into the ending, but not
    // into the third ending; the G4 of its chord is not tied.
    EXPECT_EQ(upper.notes, (std::vector<ImportedNote>{{0, 1, 64, 80}, {1, 5, 62, 80}, {1, 2.5, 65, 80},
                                                      {5, 6, 64, 80}, {6, 10, 62, 80}, {6, 7.5, 65, 80},
                                                      {10, 11, 64, 80}, {11, 12.5, 62, 80}, {11, 12.5, 65, 80},
                                                      {12.5, 15, 60, 45}}));
    EXPECT_EQ(song.parts[1].voice, 2);
    EXPECT_EQ(song.parts[1].notes, (std::vector<ImportedNote>{{0, 2.5, 57, 80}, {5, 7.5, 57, 80}, {10, 12.5, 57, 80}}));

    const ImportedPart& drums = song.parts[2];
    EXPECT_EQ(drums.name, "Drums");
    EXPECT_EQ(drums.instrument, "Bass Drum");
    EXPECT_EQ(drums.channel, 9);
    EXPECT_EQ(drums.track, 2);
    EXPECT_EQ(drums.voice, 0);
    EXPECT_TRUE(drums.percussion);
    EXPECT_EQ(drums.notes, (std::vector<ImportedNote>{{0, 1, 35, 80}, {1, 2, 38, 80}, {5, 6, 35, 80}, {6, 7, 38, 80},
                                                      {10, 11, 35, 80}, {11, 12, 38, 80}}));
}

struct Refusal {
    std::string what;
    std::string bytes;
    ImportProblem problem;
};

void PrintTo(const Refusal& refusal, std::ostream* out)
{
    *out << refusal.what;
}

class RefusedDocument : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusedDocument, IsRefusedWithItsReason)
{
    const auto started = std::chrono::steady_clock::now();
    const ImportedSong song = readMusicXml(GetParam().bytes);
    EXPECT_EQ(song.problem, GetParam().problem) << song.error;
    EXPECT_TRUE(song.parts.empty());
    EXPECT_EQ(song.error.rfind(std::string(importProblemEnglish(GetParam().problem)), 0), 0u) << song.error;
    EXPECT_FALSE(importProblemText(GetParam().problem).empty());
    // Refused before any expansion could take its time (a bound with room
    // for a sanitized build on a loaded machine, which took 14 s).
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60));
}

std::string repeated(const std::string& head, const std::string& element, std::size_t times)
{
    std::string text = head;
    text.reserve(head.size() + element.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        text += element;
    return text;
}

const std::string BillionLaughs =
    "<?xml version=\"1.0\"?>\n<!DOCTYPE score-partwise [\n<!ENTITY a \"aaaaaaaaaa\">\n"
    "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">\n<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">\n"
    "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">\n<!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">\n"
    "<!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\">\n<!ENTITY g \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\">\n"
    "<!ENTITY h \"&g;&g;&g;&g;&g;&g;&g;&g;&g;&g;\">\n<!ENTITY i \"&h;&h;&h;&h;&h;&h;&h;&h;&h;&h;\">\n]>\n"
    "<score-partwise><work><work-title>&i;</work-title></work></score-partwise>\n";

INSTANTIATE_TEST_SUITE_P(
    Hostile, RefusedDocument,
    ::testing::Values(
        Refusal{"billion laughs", BillionLaughs, ImportProblem::EntityDeclarations},
        Refusal{"external entity",
                "<?xml version=\"1.0\"?><!DOCTYPE score-partwise [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
                "<score-partwise><work><work-title>&x;</work-title></work></score-partwise>",
                ImportProblem::EntityDeclarations},
        Refusal{"timewise", "<?xml version=\"1.0\"?><score-timewise version=\"3.1\"><part-list/></score-timewise>",
                ImportProblem::Timewise},
        Refusal{"another document", "<html><body>score</body></html>", ImportProblem::NotMusicXml},
        Refusal{"not XML", std::string("MThd\0\0\0\6\0\1\0\2\1\xE0", 14), ImportProblem::NotMusicXml},
        Refusal{"empty", "", ImportProblem::NotMusicXml},
        Refusal{"cut short", OneNote.substr(0, OneNote.size() / 2), ImportProblem::Malformed},
        Refusal{"too large", std::string(MaxImportFileBytes + 1, ' '), ImportProblem::TooLarge},
        // Small in the file, large in memory.
        Refusal{"too many measures", repeated("<score-partwise><part>", "<measure/>", MaxImportMeasures + 1),
                ImportProblem::TooManyElements},
        Refusal{"too many parts", repeated("<score-partwise>", "<part/>", MaxImportParts + 1),
                ImportProblem::TooManyElements},
        Refusal{"too many marks", repeated("<score-partwise><part><measure>", "<sound segno=\"s\"/>", MaxImportNotes + 1),
                ImportProblem::TooManyElements}),
    [](const ::testing::TestParamInfo<Refusal>& info) {
        std::string name = info.param.what;
        for (char& c : name)
            if (c == ' ')
                c = '_';
        return name;
    });

TEST(MusicXmlReader, MalformedXmlSaysWhere)
{
    const ImportedSong song = readMusicXml("<score-partwise>\n<part-list>\n</score-partwise>\n");
    EXPECT_EQ(song.problem, ImportProblem::Malformed);
    EXPECT_EQ(song.error, "malformed MusicXML: line 3, column 17: Opening and ending tag mismatch.");
}

// A zip archive made with minizip, entry by entry, in order.
struct Entry {
    std::string name;
    std::string bytes;
};

std::string zipArchive(const std::vector<Entry>& entries)
{
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("kelodi-mxl-test-" + std::to_string(::getpid()) + ".zip");
    zipFile zip = zipOpen64(path.string().c_str(), APPEND_STATUS_CREATE);
    EXPECT_NE(zip, nullptr);
    for (const Entry& e : entries) {
        EXPECT_EQ(zipOpenNewFileInZip64(zip, e.name.c_str(), nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                        Z_DEFAULT_COMPRESSION, e.bytes.size() > 0xFFFFFFF0u),
                  ZIP_OK);
        EXPECT_EQ(zipWriteInFileInZip(zip, e.bytes.data(), static_cast<unsigned>(e.bytes.size())), ZIP_OK);
        zipCloseFileInZip(zip);
    }
    zipClose(zip, nullptr);
    const std::string bytes = fileBytes(path);
    std::filesystem::remove(path);
    return bytes;
}

std::string container(const std::string& rootfiles)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><container><rootfiles>" + rootfiles +
           "</rootfiles></container>";
}

TEST(MxlReader, ReadsTheScoreTheContainerNamesOrTheOneAtTheTop)
{
    const std::string named = zipArchive({
        {"META-INF/container.xml",
         container("<rootfile full-path=\"score.pdf\" media-type=\"application/pdf\"/>"
                   "<rootfile full-path=\"music/song.xml\" media-type=\"application/vnd.recordare.musicxml+xml\"/>")},
        {"score.pdf", "%PDF-1.4"},
        {"music/song.xml", OneNote},
    });
    const ImportedSong song = readMxl(named);
    ASSERT_TRUE(song.ok()) << song.error;
    ASSERT_EQ(song.parts.size(), 1u);
    EXPECT_EQ(song.parts[0].notes, (std::vector<ImportedNote>{{0, 2, 60, 80}}));

    const ImportedSong bare = readMxl(zipArchive({{"readme.txt", "hello"}, {"Song.MusicXML", OneNote}}));
    ASSERT_TRUE(bare.ok()) << bare.error;
    EXPECT_EQ(bare.parts.size(), 1u);
}

TEST(MxlReader, HostileAndBrokenArchivesAreRefused)
{
    auto problemOf = [](const std::string& bytes) {
        const ImportedSong song = readMxl(bytes);
        EXPECT_TRUE(song.parts.empty());
        return song.problem;
    };
    const std::string xmlContainer = container("<rootfile full-path=\"score.xml\"/>");
    EXPECT_EQ(problemOf(zipArchive({{"META-INF/container.xml", xmlContainer}, {"score.xml", OneNote},
                                    {"../../home/evil.xml", OneNote}})),
              ImportProblem::UnsafeArchivePath);
    EXPECT_EQ(problemOf(zipArchive({{"/etc/score.xml", OneNote}})), ImportProblem::UnsafeArchivePath);
    EXPECT_EQ(problemOf(zipArchive({{"a\\..\\score.xml", OneNote}})), ImportProblem::UnsafeArchivePath);
    EXPECT_EQ(problemOf(zipArchive({{"META-INF/container.xml", container("<rootfile full-path=\"gone.xml\"/>")},
                                    {"score.xml", OneNote}})),
              ImportProblem::NoScoreInArchive);
    EXPECT_EQ(problemOf(zipArchive({{"a.xml", OneNote}, {"b.xml", OneNote}})), ImportProblem::NoScoreInArchive);

    // A bomb: 65 MiB of blanks pack into some 64 KiB. Unpacking stops at the
    // limit; a copy whose headers claim a few bytes stops at those, and its
    // checksum fails.
    std::string bomb = zipArchive({{"META-INF/container.xml", xmlContainer},
                                   {"score.xml", OneNote + std::string(MaxUnpackedBytes, ' ')}});
    EXPECT_LT(bomb.size(), 1'000'000u);
    EXPECT_EQ(problemOf(bomb), ImportProblem::UnpackedTooLarge);
    const std::size_t local = bomb.find(std::string("PK\x03\x04", 4), 1);
    const std::size_t central = bomb.rfind(std::string("PK\x01\x02", 4));
    ASSERT_NE(local, std::string::npos);
    ASSERT_NE(central, std::string::npos);
    for (std::size_t at : {local + 22, central + 24})
        bomb.replace(at, 4, std::string("\x00\x04\x00\x00", 4));  // 1024 bytes
    EXPECT_EQ(problemOf(bomb), ImportProblem::DamagedArchive);

    const std::string real = fileBytes(DataFolder + "Unclaimed_Gift.mxl");
    EXPECT_EQ(problemOf(real.substr(0, real.size() / 2)), ImportProblem::DamagedArchive);
    EXPECT_EQ(problemOf("PK\x03\x04 not a zip at all"), ImportProblem::DamagedArchive);
}

TEST(MusicXmlFile, FilesAreToldApartByContentAndRefusedWhenUnreadable)
{
    EXPECT_TRUE(readMusicXmlFile(DataFolder + "Unclaimed_Gift.mxl").ok());
    EXPECT_TRUE(readMusicXmlFile(DataFolder + "Unclaimed_Gift.musicxml").ok());
    EXPECT_EQ(readMusicXmlFile(DataFolder + "no such file.musicxml").problem, ImportProblem::Unreadable);
    EXPECT_EQ(readMusicXmlFile(DataFolder).problem, ImportProblem::Unreadable);

    EXPECT_TRUE(isMusicXmlFileName("歌.MusicXML"));
    EXPECT_TRUE(isMusicXmlFileName("song.xml"));
    EXPECT_TRUE(isMusicXmlFileName("dir.x/song.MXL"));
    EXPECT_FALSE(isMusicXmlFileName("song.mid"));
    EXPECT_FALSE(isMusicXmlFileName("musicxml"));
}

}  // namespace
}  // namespace kelodi
