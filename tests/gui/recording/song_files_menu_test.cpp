// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QPushButton>
#include <QToolButton>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QCheckBox>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

#include <deque>
#include <fstream>
#include <functional>
#include <map>

#if defined(__linux__)
#include <sys/mount.h>
#endif

#include "core/keyboard/instrument_panel.h"
#include "core/midi/midi_file.h"
#include "core/practice/jianpu_note.h"
#include "core/recording/dzq_format.h"
#include "core/recording/event_notation.h"
#include "core/recording/recording_controller.h"
#include "gui/app/main_window_fixture.h"
#include "gui/import/part_chooser.h"
#include "gui/keyboard/piano_key.h"
#include "gui/keyboard/spinner_widget.h"
#include "core/practice/practice_controller.h"
#include "gui/practice/practice_panel.h"
#include "gui/practice/score_view.h"
#include "gui/practice/score_window.h"
#include "gui/recording/recording_panel.h"
#include "gui/recording/song_files_menu.h"
#include "platform/text/system_text_codec.h"

namespace kelodi {
namespace {

using Messages = std::vector<ShortMessage>;

// Answers the song commands' dialogs from a script and keeps what they asked.
class ScriptedDialogs : public SongFilesDialogs {
public:
    QString saveFileName(const QString& title, const QString&, const QString& suggested, const QString&) override
    {
        saveTitles << title;
        suggestions << suggested;
        return saveAnswers.empty() ? QString() : takeFront(saveAnswers);
    }
    QString openFileName(const QString&, const QString&) override { return openAnswer; }
    void showMessage(const QString& text) override { messages << text; }
    bool choosePart(PartChooser& chooser) override
    {
        ++chooserShown;
        if (inChooser)
            inChooser(chooser);
        return takePart;
    }
    AfterImport askAfterImport(const QString& text) override
    {
        afterImportTexts << text;
        return afterImport;
    }

    std::function<void(PartChooser&)> inChooser;
    bool takePart = true;
    int chooserShown = 0;
    AfterImport afterImport = AfterImport::Save;
    QStringList afterImportTexts;
    std::deque<QString> saveAnswers;
    QString openAnswer;
    QStringList saveTitles;
    QStringList suggestions;
    QStringList messages;

private:
    static QString takeFront(std::deque<QString>& queue)
    {
        QString front = queue.front();
        queue.pop_front();
        return front;
    }
};

using test::eventsOf;

class SongFilesMenuTest : public test::MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        if (HasFatalFailure())
            return;
        songs().setDialogs(&dialogs);
    }
    // The window goes first: its song commands hold the scripted dialogs.
    void TearDown() override { window.reset(); }

    SongFilesMenu& songs() { return window->songFiles(); }
    RecordingController& controller() { return window->recording().controller(); }
    QString file(const char* name) const { return folder.filePath(QString::fromUtf8(name)); }
    void click(const char* spinner, bool up)
    {
        auto* widget = window->findChild<SpinnerWidget*>(QString::fromLatin1(spinner));
        ASSERT_NE(widget, nullptr) << spinner;
        QTest::mouseClick(up ? widget->upArrow() : widget->downArrow(), Qt::LeftButton);
    }
    bool waitForRender() { return QTest::qWaitFor([this] { return !songs().isRendering(); }, 60000); }

    ScriptedDialogs dialogs;
};

TEST_F(SongFilesMenuTest, MidiExportHoldsWhatTheWindowsOwnReplaySends)
{
    controller().setEvents(eventsOf({{0.02f, 0}, {0.03f, ReleaseMarker}, {0.02f, 5}, {0.02f, 7}, {0.03f, ReleaseMarker}}));
    // Channel 2 (its instrument is program 1), octave +1, chord type 10.
    click("ChannelSpinner", true);
    click("OctaveSpinner", true);
    window->panel().setChordType(10);

    dialogs.saveAnswers = {file("song.mid")};
    songs().exportMidiAction()->trigger();
    EXPECT_EQ(dialogs.saveTitles, QStringList{QStringLiteral("导出 MIDI 文件")});
    // Where the file went, in full.
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("导出完成\n") + QDir::toNativeSeparators(file("song.mid"))});

    messages().clear();
    controller().click(RecorderButton::Replay);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !controller().isPlaying(); }, 30000));
    Messages replayed = {programChangeMessage(1, 1)};
    replayed.insert(replayed.end(), messages().begin(), messages().end());

    QFile midi(file("song.mid"));
    ASSERT_TRUE(midi.open(QIODevice::ReadOnly));
    const std::optional<MidiFile> parsed = parseMidiFile(midi.readAll().toStdString());
    ASSERT_TRUE(parsed);
    Messages exported;
    for (const MidiTrackEvent& e : parsed->tracks.at(0).events)
        exported.push_back(packShortMessage(e.status & 0xF0u, e.status & 0x0F, e.data1, e.data2));
    EXPECT_EQ(exported, replayed);
    ASSERT_GE(exported.size(), 3u);
    EXPECT_EQ(exported[1], noteOnMessage(1, 48));  // key 0, one octave up
    EXPECT_EQ(exported[2], noteOnMessage(1, 60));  // and the octave above it
}

TEST_F(SongFilesMenuTest, NothingToExportOrAFailedWriteIsSaid)
{
    songs().exportMidiAction()->trigger();
    songs().exportWavAction()->trigger();
    EXPECT_TRUE(dialogs.saveTitles.isEmpty());
    EXPECT_EQ(dialogs.messages, (QStringList{QStringLiteral("没有可导出的录制！"), QStringLiteral("没有可导出的录制！")}));

    controller().setEvents(eventsOf({{0.1f, 3}, {0.1f, ReleaseMarker}}));
    dialogs.messages.clear();
    dialogs.saveAnswers = {file("no-such-folder/song.mid"), file("no-such-folder/song.wav")};
    songs().exportMidiAction()->trigger();
    songs().exportWavAction()->trigger();
    ASSERT_TRUE(waitForRender());
    EXPECT_EQ(dialogs.messages, (QStringList{QStringLiteral("文件保存失败！"), QStringLiteral("文件保存失败！")}));
}

#if defined(__linux__)
// A disk of 256 KiB: a tmpfs mounted for the test. Only root may mount one.
class SmallDisk {
public:
    explicit SmallDisk(const QString& folder) : m_folder(folder.toStdString())
    {
        QDir().mkpath(folder);
        m_mounted = ::mount("tmpfs", m_folder.c_str(), "tmpfs", 0, "size=256k") == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(m_folder.c_str(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    // Takes up every byte left.
    void fill() const
    {
        std::ofstream out(m_folder + "/fill", std::ios::binary);
        const std::string block(4096, '\0');
        while (out.write(block.data(), static_cast<std::streamsize>(block.size())))
            ;
    }

private:
    std::string m_folder;
    bool m_mounted = false;
};

// Every song command that saves says a full disk as such, and the files it
// would have replaced stay as they were, with nothing beside them.
TEST_F(SongFilesMenuTest, AFullDiskIsSaidAndTheOldFilesStay)
{
    const QString disk = file("disk");
    const SmallDisk small(disk);
    if (!small.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (root only)";
    for (const char* name : {"song.mid", "song.wav", "tune.dzq"}) {
        QFile old(QDir(disk).filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    small.fill();

    // A recording whose exports are larger than the room left.
    RecordingEvents events;
    for (int i = 0; i < 2000; ++i) {
        events.append(test::eventOf(0.05f, i % 44));
        events.append(test::eventOf(0.05f, test::R));
    }
    controller().setEvents(events);
    dialogs.saveAnswers = {QDir(disk).filePath(QStringLiteral("song.mid")),
                           QDir(disk).filePath(QStringLiteral("song.wav"))};
    songs().exportMidiAction()->trigger();
    songs().exportWavAction()->trigger();
    ASSERT_TRUE(waitForRender());

    // The melody of a MIDI file saved as a score.
    std::vector<TimedMessage> notes;
    for (int i = 0; i < 20000; ++i) {
        notes.push_back({0.05 * i, noteOnMessage(0, 60 + i % 12)});
        notes.push_back({0.05 * i + 0.04, noteOffMessage(0, 60 + i % 12)});
    }
    QFile midi(file("tune.mid"));
    ASSERT_TRUE(midi.open(QIODevice::WriteOnly));
    const std::string bytes = encodeMidiFile(notes, 1001.0);
    midi.write(bytes.data(), static_cast<qint64>(bytes.size()));
    midi.close();
    dialogs.openAnswer = file("tune.mid");
    dialogs.saveAnswers = {QDir(disk).filePath(QStringLiteral("tune.dzq"))};
    songs().importMidiAction()->trigger();
    controller().click(RecorderButton::Stop);

    const QString diskFull = QStringLiteral("磁盘空间不足，文件保存失败！");
    EXPECT_EQ(dialogs.messages, (QStringList{diskFull, diskFull, diskFull}));
    for (const char* name : {"song.mid", "song.wav", "tune.dzq"}) {
        QFile kept(QDir(disk).filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), QByteArray("old")) << name;
    }
    EXPECT_EQ(QDir(disk).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{QStringLiteral("fill"), QStringLiteral("song.mid"), QStringLiteral("song.wav"),
                           QStringLiteral("tune.dzq")}));
}
#endif

TEST_F(SongFilesMenuTest, WavExportRendersTheReplayToAFile)
{
    controller().setEvents(eventsOf({{0.1f, 9}, {0.4f, ReleaseMarker}}));
    dialogs.saveAnswers = {file("short.wav")};
    songs().exportWavAction()->trigger();
    EXPECT_EQ(dialogs.saveTitles, QStringList{QStringLiteral("导出 WAV 文件")});
    ASSERT_TRUE(waitForRender());
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("导出完成\n") + QDir::toNativeSeparators(file("short.wav"))});
    // 0.5 s of notes and 2 s to ring out, 44.1 kHz stereo 16-bit, and a header.
    EXPECT_EQ(QFileInfo(file("short.wav")).size(), 44 + 4 * 110250);
    EXPECT_TRUE(songs().exportWavAction()->isEnabled());
}

TEST_F(SongFilesMenuTest, LongWavExportShowsProgressKeepsTheWindowPlayableAndCancelsWithoutAFile)
{
    // Ten minutes of music: seconds of rendering.
    RecordingEvents events;
    for (int i = 0; i < 1200; ++i) {
        events.append(test::eventOf(0.25f, i % 44));
        events.append(test::eventOf(0.25f, test::R));
    }
    controller().setEvents(events);
    dialogs.saveAnswers = {file("long.wav")};
    songs().exportWavAction()->trigger();
    ASSERT_TRUE(QTest::qWaitFor([this] { return songs().progressDialog() && songs().progressDialog()->isVisible(); },
                                20000));
    EXPECT_TRUE(songs().isRendering());
    EXPECT_FALSE(songs().exportWavAction()->isEnabled());
    EXPECT_EQ(songs().progressDialog()->windowModality(), Qt::NonModal);

    messages().clear();
    QTest::mousePress(window->key(12), Qt::LeftButton, {}, QPoint(15, 100));
    QTest::mouseRelease(window->key(12), Qt::LeftButton, {}, QPoint(15, 100));
    EXPECT_EQ(messages().size(), 8u) << "the keyboard plays while the file renders";

    auto* cancel = songs().progressDialog()->findChild<QAbstractButton*>();
    ASSERT_NE(cancel, nullptr);
    QTest::mouseClick(cancel, Qt::LeftButton);
    ASSERT_TRUE(waitForRender());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{})
        << "neither the file nor a temporary one is left";
    EXPECT_TRUE(songs().exportWavAction()->isEnabled());
}

TEST_F(SongFilesMenuTest, ClosingTheWindowDuringAWavExportStopsItWithoutAFile)
{
    RecordingEvents events;
    for (int i = 0; i < 1200; ++i) {
        events.append(test::eventOf(0.25f, i % 44));
        events.append(test::eventOf(0.25f, test::R));
    }
    controller().setEvents(events);
    dialogs.saveAnswers = {file("closed.wav")};
    songs().exportWavAction()->trigger();
    ASSERT_TRUE(songs().isRendering());
    // Well under way: long enough for the progress dialog to show.
    ASSERT_TRUE(QTest::qWaitFor([this] { return songs().progressDialog() != nullptr; }, 20000));
    QElapsedTimer clock;
    clock.start();
    window.reset();
    EXPECT_LT(clock.elapsed(), 5000) << "the render was waited for instead of stopped";
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
}

TEST_F(SongFilesMenuTest, ImportPlaysTheMelodyAndListsItOnceSavedIntoTheRecordingsFolder)
{
    // C4, E4, G4, each 0.2 s with 0.1 s between them.
    std::vector<TimedMessage> notes;
    for (int i = 0; i < 3; ++i) {
        notes.push_back({0.3 * i, noteOnMessage(0, 60 + (i == 0 ? 0 : i == 1 ? 4 : 7))});
        notes.push_back({0.3 * i + 0.2, noteOffMessage(0, 60 + (i == 0 ? 0 : i == 1 ? 4 : 7))});
    }
    QFile midi(file("tune.mid"));
    ASSERT_TRUE(midi.open(QIODevice::WriteOnly));
    const std::string bytes = encodeMidiFile(notes, 1.0);
    midi.write(bytes.data(), static_cast<qint64>(bytes.size()));
    midi.close();

    messages().clear();
    const QString recordings = QDir(folder.path()).filePath(QStringLiteral("录制"));
    dialogs.openAnswer = file("tune.mid");
    dialogs.saveAnswers = {QDir(recordings).filePath(QStringLiteral("tune.dzq"))};
    songs().importMidiAction()->trigger();

    EXPECT_EQ(dialogs.suggestions, QStringList{QDir(recordings).filePath(QStringLiteral("tune.dzq"))});
    EXPECT_TRUE(controller().isPlaying());
    const std::vector<int> keys = {24, ReleaseMarker, 28, ReleaseMarker, 31, ReleaseMarker};
    EXPECT_EQ(test::keysOf(controller().events()), keys);
    const std::optional<RecordingFile> saved =
        readRecordingFile(QDir(recordings).filePath(QStringLiteral("tune.dzq")).toStdString(), systemTextCodec());
    ASSERT_TRUE(saved);
    EXPECT_EQ(test::keysOf(saved->events), keys);
    EXPECT_EQ(saved->report.encoding, TextEncoding::Gbk);

    QMenu* list = window->recording().recordingsMenu();
    ASSERT_EQ(list->actions().size(), 1);
    EXPECT_EQ(list->actions()[0]->text(), QStringLiteral("tune.dzq"));
    EXPECT_TRUE(list->actions()[0]->isChecked());

    ASSERT_TRUE(QTest::qWaitFor([this] { return !controller().isPlaying(); }, 30000));
    ASSERT_FALSE(messages().empty());
    EXPECT_EQ(messages().front(), noteOnMessage(0, 60));  // key 24, chord type 3
}

TEST_F(SongFilesMenuTest, AnUnreadableMidiFileChangesNothing)
{
    controller().setEvents(eventsOf({{0.1f, 3}}));
    QFile broken(file("broken.mid"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    // A header, then a track that claims 256 bytes and has none.
    static constexpr char TruncatedSong[] = "MThd\0\0\0\6\0\0\0\1\1\340MTrk\0\0\1\0";
    broken.write(TruncatedSong, sizeof TruncatedSong - 1);
    broken.close();
    dialogs.openAnswer = file("broken.mid");
    songs().importMidiAction()->trigger();
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("MIDI文件无法读取！")});
    EXPECT_TRUE(dialogs.saveTitles.isEmpty());
    EXPECT_EQ(controller().events(), eventsOf({{0.1f, 3}}));
    EXPECT_FALSE(controller().isPlaying());
}

// A score in D major: a bass with more notes first, then the melody, whose
// F# is tied across the bar line.
const char DMajorScore[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<score-partwise version="4.0">
  <work><work-title>D</work-title></work>
  <part-list>
    <score-part id="P1"><part-name>Piano</part-name></score-part>
    <score-part id="P2"><part-name>Piano</part-name></score-part>
  </part-list>
  <part id="P1">
    <measure number="1">
      <attributes><divisions>2</divisions><key><fifths>2</fifths></key><time><beats>2</beats><beat-type>4</beat-type></time></attributes>
      <note><pitch><step>D</step><octave>3</octave></pitch><duration>1</duration><voice>1</voice></note>
      <note><pitch><step>A</step><octave>2</octave></pitch><duration>1</duration><voice>1</voice></note>
      <note><pitch><step>D</step><octave>3</octave></pitch><duration>1</duration><voice>1</voice></note>
      <note><pitch><step>A</step><octave>2</octave></pitch><duration>1</duration><voice>1</voice></note>
    </measure>
    <measure number="2">
      <note><pitch><step>D</step><octave>3</octave></pitch><duration>1</duration><voice>1</voice></note>
      <note><pitch><step>A</step><octave>2</octave></pitch><duration>1</duration><voice>1</voice></note>
      <note><pitch><step>D</step><octave>3</octave></pitch><duration>1</duration><voice>1</voice></note>
      <note><pitch><step>A</step><octave>2</octave></pitch><duration>1</duration><voice>1</voice></note>
    </measure>
  </part>
  <part id="P2">
    <measure number="1">
      <attributes><divisions>2</divisions><key><fifths>2</fifths></key><time><beats>2</beats><beat-type>4</beat-type></time></attributes>
      <note><pitch><step>F</step><alter>1</alter><octave>4</octave></pitch><duration>1</duration><voice>1</voice></note>
      <note><pitch><step>A</step><octave>4</octave></pitch><duration>1</duration><voice>1</voice></note>
      <note><pitch><step>C</step><alter>1</alter><octave>5</octave></pitch><duration>2</duration><tie type="start"/><voice>1</voice></note>
    </measure>
    <measure number="2">
      <note><pitch><step>C</step><alter>1</alter><octave>5</octave></pitch><duration>2</duration><tie type="stop"/><voice>1</voice></note>
      <note><pitch><step>D</step><octave>5</octave></pitch><duration>2</duration><voice>1</voice></note>
    </measure>
  </part>
</score-partwise>
)";

class ImportTest : public SongFilesMenuTest {
protected:
    QString writeFile(const char* name, const QByteArray& bytes)
    {
        QFile out(file(name));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        return file(name);
    }
    QStringList row(QTableWidget* table, int r)
    {
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c)
            cells << table->item(r, c)->text();
        return cells;
    }
};

TEST_F(ImportTest, TheChooserOffersTheMelodyInCAndTheSongComesInAsSingleNotesReadyToPractise)
{
    window->panel().setChordType(3);
    dialogs.openAnswer = writeFile("d.musicxml", DMajorScore);
    QStringList rows;
    int selected = -1;
    bool moveToC = false;
    bool singleNotes = false;
    dialogs.inChooser = [&](PartChooser& chooser) {
        QTableWidget* table = chooser.table();
        for (int r = 0; r < table->rowCount(); ++r)
            rows << row(table, r).mid(0, 5).join(QLatin1Char('|'));
        selected = table->currentRow();
        moveToC = chooser.moveToCBox()->isChecked();
        singleNotes = chooser.singleNotesBox()->isChecked();
    };
    dialogs.afterImport = AfterImport::Practise;
    songs().importMusicXmlAction()->trigger();

    EXPECT_EQ(dialogs.messages, QStringList{});
    EXPECT_EQ(rows, (QStringList{QStringLiteral("|Piano|大钢琴|8|5̣ – 1"), QStringLiteral("旋律|Piano|大钢琴|4|3̇ – 1̈")}));
    EXPECT_EQ(selected, 1);
    EXPECT_TRUE(moveToC);
    EXPECT_TRUE(singleNotes);
    EXPECT_EQ(dialogs.afterImportTexts, QStringList{QStringLiteral("已导入“d”的旋律，4 个音符，原调 1=D。")});

    // F# A C#~C# D moved to C: E G B~B C, no black key to read as "#4".
    EXPECT_EQ(test::keysOf(controller().events()),
              (std::vector<int>{28, ReleaseMarker, 31, ReleaseMarker, 35, ReleaseMarker, 36, ReleaseMarker}));
    for (int key : test::keysOf(controller().events())) {
        if (key != ReleaseMarker) {
            EXPECT_EQ(jianpuNote(key).digits.find('#'), std::string::npos) << key;
        }
    }
    EXPECT_EQ(window->panel().chordType(), 0) << "用单音播放";
    // The score shows the song's bars and where it came from.
    EXPECT_EQ(window->practice().scoreWindow()->view()->headerText(), QStringLiteral("1=C 2/4  d  原调 1=D"));
    // 练习: follow-along practice on the song at once.
    EXPECT_TRUE(window->practice().practiceItem()->isChecked());
    EXPECT_TRUE(controller().isPlaying());
    EXPECT_TRUE(window->practice().practice().session().isWaiting());
    controller().click(RecorderButton::Stop);
}

TEST_F(ImportTest, BoxesOffKeepTheKeyAndTheChordsAndACancelledChooserChangesNothing)
{
    window->panel().setChordType(3);
    controller().setEvents(eventsOf({{0.1f, 3}}));
    dialogs.openAnswer = writeFile("d.musicxml", DMajorScore);
    dialogs.takePart = false;
    songs().importMusicXmlAction()->trigger();
    EXPECT_EQ(dialogs.chooserShown, 1);
    EXPECT_EQ(controller().events(), eventsOf({{0.1f, 3}}));
    EXPECT_EQ(window->panel().chordType(), 3);

    dialogs.takePart = true;
    dialogs.afterImport = AfterImport::Close;
    dialogs.inChooser = [](PartChooser& chooser) {
        chooser.moveToCBox()->setChecked(false);
        chooser.singleNotesBox()->setChecked(false);
    };
    songs().importMusicXmlAction()->trigger();
    EXPECT_EQ(window->panel().chordType(), 3);
    // F#4 A4 C#5 D5 as written.
    EXPECT_EQ(test::keysOf(controller().events()),
              (std::vector<int>{30, ReleaseMarker, 33, ReleaseMarker, 37, ReleaseMarker, 38, ReleaseMarker}));
    EXPECT_TRUE(dialogs.saveTitles.isEmpty());
    controller().click(RecorderButton::Stop);
}

TEST_F(ImportTest, PreviewPlaysTheChosenPartAndLeavesNoNoteOnWhenTheRowChangesOrTheDialogCloses)
{
    dialogs.openAnswer = writeFile("d.musicxml", DMajorScore);
    dialogs.takePart = false;
    click("ChannelSpinner", true);  // channel 2
    std::vector<ShortMessage> heard;
    bool stopped = false;
    dialogs.inChooser = [&](PartChooser& chooser) {
        messages().clear();
        QTest::mouseClick(chooser.previewButton(), Qt::LeftButton);
        // The melody's first two notes (F#4, A4: a quarter note each).
        ASSERT_TRUE(QTest::qWaitFor([&] { return messages().size() >= 3; }, 20000));
        heard = messages();
        chooser.table()->selectRow(0);
        stopped = !chooser.isPreviewing();
        QTest::mouseClick(chooser.previewButton(), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return messages().size() > heard.size() + 1; }, 20000));
        chooser.reject();
    };
    songs().importMusicXmlAction()->trigger();
    ASSERT_GE(heard.size(), 3u);
    EXPECT_EQ(std::vector<ShortMessage>(heard.begin(), heard.begin() + 3),
              (std::vector<ShortMessage>{packShortMessage(MidiKind::NoteOn, 1, 66, 80), noteOffMessage(1, 66),
                                         packShortMessage(MidiKind::NoteOn, 1, 69, 80)}));
    EXPECT_TRUE(stopped);
    // Every note-on has its note-off once the dialog is gone.
    std::map<int, int> sounding;
    for (ShortMessage m : messages()) {
        if ((m & 0xF0u) == MidiKind::NoteOn && dataByte2(m) > 0)
            ++sounding[dataByte1(m)];
        else if ((m & 0xF0u) == MidiKind::NoteOff)
            --sounding[dataByte1(m)];
    }
    for (const auto& [note, count] : sounding)
        EXPECT_EQ(count, 0) << note;
}

TEST_F(ImportTest, TheSavedSongKeepsItsKeyAndExportsSuggestItsNameInTheLastExportsFolder)
{
    dialogs.openAnswer = writeFile("tune.musicxml", DMajorScore);
    const QString saved = QDir(folder.path()).filePath(QStringLiteral("录制/tune.dzq"));
    dialogs.saveAnswers = {saved};
    songs().importMusicXmlAction()->trigger();
    controller().click(RecorderButton::Stop);
    // The score file keeps the time signature, the beat and the key it came in.
    const std::optional<RecordingFile> kept = readRecordingFile(saved.toStdString(), systemTextCodec());
    ASSERT_TRUE(kept);
    EXPECT_EQ(songInfoLine(kept->info), "曲谱信息:拍号=2/4;每拍=0.500;原调=D");
    dialogs.suggestions.clear();

    const QString elsewhere = file("exports");
    QDir().mkpath(elsewhere);
    dialogs.saveAnswers = {QDir(elsewhere).filePath(QStringLiteral("mine.mid")), QString()};
    songs().exportMidiAction()->trigger();
    songs().exportWavAction()->trigger();
    ASSERT_EQ(dialogs.suggestions.size(), 2);
    EXPECT_TRUE(dialogs.suggestions[0].endsWith(QStringLiteral("tune.mid"))) << dialogs.suggestions[0].toStdString();
    EXPECT_EQ(dialogs.suggestions[1], QDir(elsewhere).filePath(QStringLiteral("tune.wav")));
}

TEST_F(ImportTest, ATimewiseScoreIsRefusedWithItsReasonAndNothingChanges)
{
    controller().setEvents(eventsOf({{0.1f, 3}}));
    dialogs.openAnswer = writeFile("t.xml", "<?xml version=\"1.0\"?><score-timewise version=\"3.1\"/>");
    songs().importMusicXmlAction()->trigger();
    EXPECT_EQ(dialogs.messages,
              QStringList{QStringLiteral("不支持按小节排列（timewise）的 MusicXML 乐谱，请在记谱软件中另存为按声部排列（partwise）的格式。")});
    EXPECT_EQ(dialogs.chooserShown, 0);
    EXPECT_EQ(controller().events(), eventsOf({{0.1f, 3}}));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("t.xml")});
}

}  // namespace
}  // namespace kelodi
