// SPDX-License-Identifier: GPL-3.0-or-later
// `kelodi-dzq from-midi` on files written byte by byte: the messages and
// headers a MIDI file may hold, and the melody taken from notes that overlap.
// Each case is read back through `kelodi-dzq events`, as a player would hear
// the score: every note as key@onset+length in milliseconds.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "cli/score_tool_run.h"
#include "core/midi/smf_bytes.h"

namespace kelodi::test {
namespace {

// A variable-length quantity.
std::string vlq(std::uint32_t value)
{
    std::string out(1, static_cast<char>(value & 0x7F));
    while (value >>= 7)
        out.insert(out.begin(), static_cast<char>(0x80 | (value & 0x7F)));
    return out;
}

// A track event: its delta time, then its bytes.
std::string at(std::uint32_t delta, std::initializer_list<int> message)
{
    return vlq(delta) + bytes(message);
}

const std::string EndOfTrack = at(0, {0xFF, 0x2F, 0x00});

// 500 ticks a quarter at the default 120 beats a minute: a tick is 1 ms.
std::string song(std::initializer_list<std::string> tracks, int division = 500)
{
    return smf(tracks.size() > 1 ? 1 : 0, division, tracks);
}

struct Melody {
    int status = 0;
    std::string notes;  // "24@0+500 26@500+500": key@onset+length, in ms
    std::string summary;
};

class MidiImport : public ScoreToolTest {
protected:
    Melody melody(const std::string& file, std::vector<std::string> options = {}, const std::string& name = "in.mid")
    {
        write(name, file);
        std::vector<std::string> args = {"from-midi", name, "out.dzq"};
        args.insert(args.end(), options.begin(), options.end());
        const ToolRun import = run(args);
        Melody result{import.status, {}, import.err};
        if (import.status != 0)
            return result;
        const ToolRun events = run({"events", "out.dzq"});
        EXPECT_EQ(events.status, 0) << events.err;
        double clock = 0;
        long onset = -1;
        int key = 0;
        for (std::size_t start = 0; start < events.out.size();) {
            const std::size_t end = events.out.find('\n', start);
            const std::string line = events.out.substr(start, end - start);
            start = end + 1;
            clock += std::stod(line);
            const int pressed = std::stoi(line.substr(line.find('\t') + 1));
            const long now = std::lround(clock * 1000);
            if (onset >= 0)
                result.notes += std::to_string(key) + "@" + std::to_string(onset) + "+" + std::to_string(now - onset) +
                                (pressed == 9999 ? " " : "~ ");  // ~: the next key came without a release
            onset = pressed == 9999 ? -1 : now;
            key = pressed;
        }
        if (!result.notes.empty())
            result.notes.pop_back();
        return result;
    }
};

TEST_F(MidiImport, MessagesOfEveryLengthRunningStatusAndWhatIsReadOver)
{
    struct Case {
        const char* what;
        std::string track;
        const char* notes;
    };
    const Case cases[] = {
        {"running status goes on across a meta event and a system-exclusive message, and a note-on of velocity 0 "
         "ends a note",
         at(0, {0x90, 0x3C, 0x64}) + at(500, {0x3C, 0x00}) + at(0, {0xFF, 0x01, 0x01, 'x'}) +
             at(0, {0x3E, 0x64}) + at(500, {0x3E, 0x00}) + at(0, {0xF0, 0x02, 0x01, 0xF7}) + at(0, {0x40, 0x64}) +
             at(500, {0x90, 0x40, 0x00}) + EndOfTrack,
         "24@0+500 26@500+500 28@1000+500"},
        {"program change and channel pressure carry one data byte, pitch bend, key pressure and controllers two; "
         "each also under running status",
         at(0, {0xC0, 0x05}) + at(0, {0x06}) + at(0, {0xD0, 0x40}) + at(0, {0x41}) + at(0, {0x90, 0x3C, 0x64}) +
             at(0, {0xE0, 0x00, 0x40}) + at(0, {0x01, 0x40}) + at(0, {0xA0, 0x3C, 0x20}) + at(0, {0x3C, 0x21}) +
             at(0, {0xB0, 0x07, 0x64}) + at(0, {0x0A, 0x40}) + at(500, {0x80, 0x3C, 0x40}) +
             at(0, {0x90, 0x3E, 0x64}) + at(250, {0x80, 0x3E, 0x00}) + EndOfTrack,
         "24@0+500 26@500+250"},
        {"what a system-exclusive message or an escape holds is no note, however long it is",
         at(0, {0x90, 0x3C, 0x64}) + at(0, {0xF7, 0x03, 0x90, 0x3E, 0x64}) +
             vlq(0) + bytes({0xF0, 0x81, 0x00}) + std::string(127, '\x90') + bytes({0xF7}) +
             at(500, {0x80, 0x3C, 0x00}) + at(0, {0x90, 0x40, 0x64}) + at(500, {0x80, 0x40, 0x00}) + EndOfTrack,
         "24@0+500 28@500+500"},
        {"a note-off of another channel, or of a note not sounding, ends nothing; a note left on ends with the track",
         at(0, {0x90, 0x3C, 0x64}) + at(200, {0x81, 0x3C, 0x00}) + at(0, {0x80, 0x3E, 0x00}) +
             at(400, {0x80, 0x3C, 0x00}) + at(400, {0x90, 0x3E, 0x64}) + at(300, {0xFF, 0x2F, 0x00}) +
             at(0, {0x90, 0x40, 0x64}),  // after the end: read over
         "24@0+600 26@1000+300"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Melody m = melody(song({c.track}));
        EXPECT_EQ(m.status, 0) << m.summary;
        EXPECT_EQ(m.notes, c.notes);
    }
}

TEST_F(MidiImport, TimeFromTheTempoMapOrFromSmpteFrames)
{
    // The tempo of the first track rules every track: two tempos on one
    // tick, the last holds (2 ms a tick); a tempo of the wrong length or of
    // 0 µs is read over.
    const std::string tempo = at(0, {0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90}) + at(0, {0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40}) +
                              at(500, {0xFF, 0x51, 0x02, 0x07, 0xA1}) + at(0, {0xFF, 0x51, 0x03, 0x00, 0x00, 0x00}) +
                              EndOfTrack;
    const std::string notes = at(0, {0x90, 0x3C, 0x64}) + at(250, {0x80, 0x3C, 0x00}) + at(250, {0x90, 0x3E, 0x64}) +
                              at(250, {0x80, 0x3E, 0x00}) + EndOfTrack;
    EXPECT_EQ(melody(song({tempo, notes})).notes, "24@0+500 26@1000+500");

    // SMPTE time: 25 frames of 40 ticks are 1000 ticks a second, and a tempo
    // changes nothing; "29" frames are 29.97 a second.
    const std::string smpte = at(0, {0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40}) + at(0, {0x90, 0x3C, 0x64}) +
                              at(500, {0x80, 0x3C, 0x00}) + at(500, {0x90, 0x3E, 0x64}) + at(250, {0x80, 0x3E, 0x00}) +
                              EndOfTrack;
    EXPECT_EQ(melody(song({smpte}, 0xE728)).notes, "24@0+500 26@1000+250");
    const std::string ntsc = at(0, {0x90, 0x3C, 0x64}) + at(2997, {0x80, 0x3C, 0x00}) + EndOfTrack;
    EXPECT_EQ(melody(song({ntsc}, 0xE364)).notes, "24@0+1000");
}

TEST_F(MidiImport, EmptyTracksAndChunksOfOtherKindsAreNoTracksToChoose)
{
    // A longer header than six bytes, an empty track, a chunk of another
    // kind, the notes, a track with nothing but its end.
    const std::string notes = at(0, {0x90, 0x3C, 0x64}) + at(500, {0x80, 0x3C, 0x00}) + at(0, {0x90, 0x3E, 0x64}) +
                              at(500, {0x80, 0x3E, 0x00}) + EndOfTrack;
    const std::string file = chunk("MThd", bytes({0, 1, 0, 3, 0x01, 0xF4, 0xAB, 0xCD})) + chunk("MTrk", "") +
                             chunk("XFIH", bytes({0x90, 0x3C, 0x64})) + chunk("MTrk", notes) + chunk("MTrk", EndOfTrack);
    Melody m = melody(file);
    EXPECT_EQ(m.notes, "24@0+500 26@500+500");
    EXPECT_EQ(m.summary, "kelodi-dzq: in.mid: track 2, channel 0: 2 melody notes of 2, key C (estimated from the notes), not moved, 0 folded into range\n");
    m = melody(file, {"--track", "1"});
    EXPECT_EQ(m.status, 1);
    EXPECT_EQ(m.summary, "kelodi-dzq: in.mid: no notes to take (try --track or --channel)\n");
    m = melody(file, {"--track", "4"});
    EXPECT_EQ(m.summary, "kelodi-dzq: in.mid: no track 4 (the file has 3 tracks)\n");
}

TEST_F(MidiImport, OverlappingNotesMakeOneLine)
{
    struct Case {
        const char* what;
        std::string track;
        const char* notes;
    };
    const Case cases[] = {
        {"a higher note starting under a held one takes over; the held one does not come back",
         at(0, {0x90, 60, 100}) + at(500, {0x90, 67, 100}) + at(300, {0x80, 67, 0}) + at(200, {0x80, 60, 0}),
         "24@0+500 31@500+300"},
        {"a lower one starting under a held note is accompaniment: the held note sounds on",
         at(0, {0x90, 72, 100}) + at(400, {0x90, 60, 100}) + at(200, {0x80, 60, 0}) + at(400, {0x80, 72, 0}),
         "36@0+1000"},
        {"legato, the next note-on before or after the note-off on the same tick",
         at(0, {0x90, 60, 100}) + at(500, {0x80, 60, 0}) + at(0, {0x90, 62, 100}) + at(500, {0x90, 64, 100}) +
             at(0, {0x80, 62, 0}) + at(500, {0x80, 64, 0}),
         "24@0+500 26@500+500 28@1000+500"},
        {"slurred: a note held into the next ends where the next begins",
         at(0, {0x90, 60, 100}) + at(500, {0x90, 62, 100}) + at(20, {0x80, 60, 0}) + at(480, {0x80, 62, 0}),
         "24@0+500 26@500+500"},
        {"the same note struck again before its end: the first note-off ends the first strike",
         at(0, {0x90, 60, 100}) + at(500, {0x90, 60, 90}) + at(200, {0x80, 60, 0}) + at(300, {0x80, 60, 0}),
         "24@0+500 24@500+500"},
        {"of two notes on one onset the higher sounds, for its own length",
         at(0, {0x90, 60, 100}) + at(0, {0x90, 72, 100}) + at(200, {0x80, 72, 0}) + at(800, {0x80, 60, 0}) +
             at(500, {0x90, 64, 100}) + at(200, {0x80, 64, 0}),
         "36@0+200 28@1500+200"},
        {"notes less than 30 ms after an onset's first note belong to it; at 30 ms a new onset begins",
         at(0, {0x90, 60, 100}) + at(15, {0x90, 64, 100}) + at(14, {0x90, 67, 100}) + at(371, {0x80, 60, 0}) +
             at(0, {0x80, 64, 0}) + at(0, {0x80, 67, 0}) + at(100, {0x90, 60, 100}) + at(30, {0x90, 62, 100}) +
             at(370, {0x80, 60, 0}) + at(0, {0x80, 62, 0}),
         "31@0+400 24@500+30 26@530+370"},
        {"percussion in the melody's track is left out",
         at(0, {0x90, 60, 100}) + at(0, {0x99, 80, 100}) + at(100, {0x89, 80, 0}) + at(400, {0x80, 60, 0}),
         "24@0+500"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Melody m = melody(song({c.track + EndOfTrack}));
        EXPECT_EQ(m.status, 0) << m.summary;
        EXPECT_EQ(m.notes, c.notes);
    }
}

// A score in D major as a notation program writes it: a melody whose third
// note is tied across the bar line, and a bass.
const std::string DMajorScore = R"(<?xml version="1.0" encoding="UTF-8"?>
<score-partwise version="4.0">
  <part-list>
    <score-part id="P1"><part-name>Melody</part-name></score-part>
    <score-part id="P2"><part-name>Bass</part-name></score-part>
  </part-list>
  <part id="P1">
    <measure number="1">
      <attributes><divisions>2</divisions><key><fifths>2</fifths></key><time><beats>2</beats><beat-type>4</beat-type></time></attributes>
      <note><pitch><step>D</step><octave>5</octave></pitch><duration>2</duration><voice>1</voice><type>quarter</type></note>
      <note><pitch><step>E</step><octave>5</octave></pitch><duration>2</duration><voice>1</voice><type>quarter</type></note>
    </measure>
    <measure number="2">
      <note><pitch><step>F</step><alter>1</alter><octave>5</octave></pitch><duration>4</duration><tie type="start"/><voice>1</voice><type>half</type></note>
    </measure>
    <measure number="3">
      <note><pitch><step>F</step><alter>1</alter><octave>5</octave></pitch><duration>2</duration><tie type="stop"/><voice>1</voice><type>quarter</type></note>
      <note><pitch><step>A</step><octave>5</octave></pitch><duration>2</duration><voice>1</voice><type>quarter</type></note>
    </measure>
  </part>
  <part id="P2">
    <measure number="1">
      <attributes><divisions>2</divisions><key><fifths>2</fifths></key><time><beats>2</beats><beat-type>4</beat-type></time></attributes>
      <note><pitch><step>D</step><octave>3</octave></pitch><duration>4</duration><voice>1</voice><type>half</type></note>
    </measure>
    <measure number="2">
      <note><pitch><step>A</step><octave>2</octave></pitch><duration>4</duration><voice>1</voice><type>half</type></note>
    </measure>
    <measure number="3">
      <note><pitch><step>D</step><octave>3</octave></pitch><duration>4</duration><voice>1</voice><type>half</type></note>
    </measure>
  </part>
</score-partwise>
)";

TEST_F(MidiImport, AMusicXmlScoreGivesItsMelodyTiedAcrossTheBarAndReadInC)
{
    const Melody m = melody(DMajorScore, {}, "in.musicxml");
    ASSERT_EQ(m.status, 0) << m.summary;
    // D E F#-(tied)-F# A, a quarter note half a second, moved down to C D E G.
    EXPECT_EQ(m.notes, "36@0+500 38@500+500 40@1000+1500 43@2500+500");
    EXPECT_EQ(m.summary, "kelodi-dzq: in.musicxml: part 1: 4 melody notes of 4, key D (key signature), moved 2 "
                         "semitones down to read in C, 0 folded into range\n");

    const ToolRun list = run({"from-midi", "--list", "in.musicxml", "--transpose", "keep"});
    EXPECT_EQ(list.status, 0) << list.err;
    // Kept in D, an octave down onto the keys: D E F# A read 2̇ 3̇ #4̇ 6̇.
    EXPECT_EQ(list.out, "1\t-1\t旋律\t4\t2̇ – 6̇\t大钢琴\tMelody\t名称“Melody”像旋律，音区最高，单音，级进为主\n"
                        "2\t-1\t-\t3\t6̣ – 2\t大钢琴\tBass\t名称“Bass”像伴奏，音区低，单音\n");
}

TEST_F(MidiImport, ATimewiseOrBrokenScoreIsRefusedAndNothingWritten)
{
    write("timewise.xml", "<?xml version=\"1.0\"?><score-timewise version=\"3.1\"><part-list/></score-timewise>");
    write("broken.mxl", "PK\x03\x04 cut short");
    for (const char* name : {"timewise.xml", "broken.mxl"}) {
        SCOPED_TRACE(name);
        const ToolRun import = run({"from-midi", name, "out.dzq"});
        EXPECT_EQ(import.status, 2);
        EXPECT_FALSE(std::filesystem::exists(path("out.dzq")));
        EXPECT_EQ(import.out, "");
    }
    EXPECT_EQ(run({"from-midi", "timewise.xml", "out.dzq"}).err,
              "kelodi-dzq: cannot read timewise.xml: timewise MusicXML is not supported (save the score as partwise "
              "MusicXML): the score is <score-timewise>\n");
}

}  // namespace
}  // namespace kelodi::test
