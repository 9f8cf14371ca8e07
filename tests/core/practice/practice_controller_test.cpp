// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "core/keyboard/keyboard_rig.h"
#include "core/midi/midi_port.h"
#include "core/practice/metronome.h"
#include "core/practice/practice_controller.h"
#include "core/practice/practice_texts.h"
#include "core/practice/practice_view.h"
#include "core/recording/event_notation.h"
#include "core/recording/recording_controller.h"
#include "core/recording/recording_fakes.h"
#include "core/recording/shared_scheduler.h"
#include "core/fakes/recording_midi.h"
#include "core/recording/tempo.h"
#include "platform/files/atomic_file.h"
#include "platform/text/system_text_codec.h"

namespace kelodi {
namespace {

namespace fs = std::filesystem;
using test::R;
using State = PracticeSession::State;

class FakePracticeView : public PracticeView {
public:
    void showScore(const Score& score) override { scores.push_back(score); }
    void highlightSymbol(std::optional<std::size_t> symbol) override { highlighted = symbol; }
    void markNextKey(int key) override { marked = key; }
    void showFigures(const std::optional<PracticeFigures>& shown, State shownState) override
    {
        figures = shown;
        state = shownState;
    }
    void showRhythmFigures(const RhythmFigures& shown, bool running) override
    {
        rhythmFigures = shown;
        rhythmRunning = running;
    }
    void showGrade(std::size_t symbol, RhythmGrade grade) override { grades.emplace_back(symbol, grade); }
    void clearGrades() override { grades.clear(); }
    void showSummary(const PassSummary& shown, std::function<void()> closed) override
    {
        boxes.push_back(shown);
        whenClosed = std::move(closed);
        if (onSummary)
            onSummary();
    }
    // The player closes the box.
    void closeBox()
    {
        auto closed = std::move(whenClosed);
        whenClosed = nullptr;
        if (closed)
            closed();
    }

    std::vector<Score> scores;
    std::optional<std::size_t> highlighted;
    int marked = -1;
    std::optional<PracticeFigures> figures;
    State state = State::Idle;
    std::optional<RhythmFigures> rhythmFigures;
    bool rhythmRunning = false;
    std::vector<std::pair<std::size_t, RhythmGrade>> grades;
    std::vector<PassSummary> boxes;
    std::function<void()> whenClosed;
    std::function<void()> onSummary;
};

class PracticeTest : public ::testing::Test {
protected:
    PracticeTest()
    {
        controller.publishButtonStates();
        controller.setReplayHooks(&practice);
    }

    void setSong()
    {
        // Keys 12, 14, 16, a second apart, each held for most of it.
        RecordingEvents events;
        for (auto [delay, key] : {std::pair{0.1f, 12}, {0.75f, R}, {0.25f, 14}, {0.75f, R}, {0.25f, 16},
                                  {0.75f, R}})
            events.append(test::eventOf(delay, key));
        controller.setEvents(events);
    }

    // A press by the player as the key path makes it: reported to the
    // recorder, sounded, then heard by the practice.
    void play(int key, double after = 0.25)
    {
        clock.advance(after);
        controller.recordPress(key);
        practice.keyPressed(key);
    }
    // The player lets go of a key as the key path reports it.
    void lift(int key, double after = 0.1)
    {
        clock.advance(after);
        practice.keyReleased(key);
    }
    void releaseByHand()
    {
        if (keys.releasesRecorded())
            controller.recordRelease();
    }

    ManualClock clock{5000.0};
    test::JournalKeys keys{clock};
    test::ScriptedUi ui;
    test::ManualScheduler scheduler{clock};
    test::ManualScheduler deferral{clock};
    RecordingController controller{keys, ui, scheduler, clock, systemTextCodec(), atomicFileSaver()};
    FakePracticeView view;
    PracticeController practice{controller, view, deferral, clock};
};

TEST_F(PracticeTest, WaitsForThePlayersPressesAndEndsWithTheFigures)
{
    setSong();
    const RecordingEvents song = controller.events();
    practice.setEnabled(true);
    controller.click(RecorderButton::Replay);

    EXPECT_TRUE(controller.isPlaying());
    EXPECT_EQ(test::enabledRow(controller), "stop");
    EXPECT_FALSE(scheduler.pending());  // no event is timed: nothing plays by itself
    EXPECT_EQ(view.marked, 12);
    EXPECT_EQ(view.highlighted, 0u);
    ASSERT_EQ(view.scores.size(), 1u);
    EXPECT_EQ(view.scores[0].noteCount, 3u);

    play(16);  // wrong: the song waits on
    EXPECT_EQ(view.marked, 12);
    EXPECT_EQ(view.figures, (PracticeFigures{3, 0, 1, 0}));
    EXPECT_EQ(view.state, State::Waiting);
    play(12);
    EXPECT_EQ(view.marked, 14);
    EXPECT_EQ(view.highlighted, 1u);
    play(14);
    play(16, 1.5);
    EXPECT_EQ(view.marked, -1);
    EXPECT_EQ(view.state, State::Finished);
    // The last note sounds as long as it is held: nothing ends the pass or
    // releases a key until the player lets go of it.
    lift(14, 0.5);
    lift(12, 0.5);
    EXPECT_FALSE(deferral.pending());
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_TRUE(controller.isPlaying());
    EXPECT_TRUE(keys.entries.empty());

    // The end runs from the event loop, not inside the key release.
    lift(16, 0.5);
    EXPECT_TRUE(view.boxes.empty());
    ASSERT_TRUE(deferral.runNext());
    ASSERT_EQ(view.boxes.size(), 1u);
    // From the first press, the wrong one, to the last.
    EXPECT_EQ(view.boxes[0].text, practiceSummaryText(PracticeFigures{3, 3, 1, 2.0}));
    EXPECT_TRUE(view.boxes[0].takeKept);
    EXPECT_EQ(keys.whats(), (std::vector<std::string>{"release-all"}));
    EXPECT_FALSE(controller.isPlaying());
    EXPECT_EQ(test::enabledRow(controller), "record replay save play-file");
    EXPECT_EQ(view.figures, (PracticeFigures{3, 3, 1, 2.0}));  // they stay with the score
    EXPECT_EQ(controller.events(), song);                      // nothing was recorded
}

TEST_F(PracticeTest, StopEndsAPassAtOnceWithoutTheBox)
{
    setSong();
    practice.setEnabled(true);
    controller.click(RecorderButton::Replay);
    play(12);
    controller.click(RecorderButton::Stop);
    EXPECT_FALSE(controller.isPlaying());
    EXPECT_EQ(view.marked, -1);
    EXPECT_EQ(view.highlighted, std::nullopt);
    EXPECT_EQ(view.state, State::Idle);
    EXPECT_EQ(view.figures, (PracticeFigures{3, 1, 0, 0}));
    play(14);
    EXPECT_EQ(practice.session().figures(), (PracticeFigures{3, 1, 0, 0}));

    // Stopped after the last press but before the end ran: no box, and a new
    // pass is not ended by the old one's end.
    controller.click(RecorderButton::Replay);
    play(12);
    play(14);
    play(16);
    controller.click(RecorderButton::Stop);
    controller.click(RecorderButton::Replay);
    deferral.runAll();
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_TRUE(controller.isPlaying());
    EXPECT_EQ(view.marked, 12);
}

TEST_F(PracticeTest, RepeatStartsTheSongAgainAfterTheBox)
{
    setSong();
    practice.setEnabled(true);
    ui.repeat = true;
    std::string rowAtSummary;
    view.onSummary = [&] { rowAtSummary = test::enabledRow(controller); };
    controller.click(RecorderButton::Replay);
    play(12);
    play(14);
    play(16);
    lift(16);
    deferral.runNext();
    EXPECT_EQ(rowAtSummary, "record replay save play-file");  // the box comes after the stop
    EXPECT_EQ(view.boxes.size(), 1u);
    EXPECT_FALSE(controller.isPlaying());  // the repeat waits for the box
    view.closeBox();
    EXPECT_TRUE(controller.isPlaying());
    EXPECT_EQ(view.marked, 12);
    EXPECT_EQ(practice.session().figures(), (PracticeFigures{3, 0, 0, 0}));
    EXPECT_FALSE(scheduler.pending());
}

TEST_F(PracticeTest, ARecordingStartedBeforeTheSongTakesThePlayersOwnPresses)
{
    const fs::path folder = fs::temp_directory_path() / "kelodi-practice-recording";
    fs::create_directories(folder);
    const fs::path path = folder / "song.dzq";
    std::ofstream(path, std::ios::binary) << "0.1,c|0.5,抬起|0.5,d|0.5,抬起\r\n";

    practice.setEnabled(true);
    ui.repeat = true;
    controller.click(RecorderButton::StartRecording);
    controller.playListedRecording(path);  // the list stays usable while recording
    fs::remove_all(folder);
    EXPECT_TRUE(controller.isRecording());
    EXPECT_TRUE(controller.isPlaying());
    EXPECT_TRUE(keys.releasesRecorded());  // releases by hand are recorded

    play(19);  // a wrong key, recorded like any other press
    releaseByHand();
    play(12, 0.5);
    releaseByHand();
    play(14, 0.5);
    lift(14);
    deferral.runNext();
    ASSERT_EQ(view.boxes.size(), 1u);
    view.closeBox();
    // The recording goes on behind the repeated song, and the repeat is the
    // song again, not the take that replaced the events in memory.
    EXPECT_TRUE(controller.isRecording());
    EXPECT_EQ(practice.session().figures().notes, 2u);
    EXPECT_EQ(view.marked, 12);

    controller.click(RecorderButton::Stop);
    EXPECT_EQ(test::enabledRow(controller), "end");  // the recording's row, so it can be ended
    EXPECT_TRUE(keys.releasesRecorded());
    releaseByHand();
    controller.click(RecorderButton::EndRecording);
    EXPECT_EQ(test::keysOf(controller.events()), (std::vector<int>{19, R, 12, R, 14, R}));
    EXPECT_NEAR(controller.events()[2].delay, 0.5, 1e-6);
    EXPECT_EQ(view.scores.back().noteCount, 3u);  // the window shows the take
}

TEST_F(PracticeTest, AnOrdinaryReplayMarksTheNextPressAndHighlightsTheNote)
{
    setSong();
    controller.click(RecorderButton::Replay);
    EXPECT_TRUE(scheduler.pending());
    EXPECT_EQ(view.marked, 12);
    EXPECT_EQ(view.highlighted, std::nullopt);

    scheduler.runNext();  // key 12
    EXPECT_EQ(view.highlighted, 0u);
    EXPECT_EQ(view.marked, 14);
    scheduler.runNext();  // release: the note stays highlighted
    EXPECT_EQ(view.highlighted, 0u);
    EXPECT_EQ(view.marked, 14);
    practice.keyPressed(20);  // a key played along is no practice
    EXPECT_EQ(view.figures, std::nullopt);
    controller.endGuidedReplay();  // only for a pass the practice runs
    EXPECT_TRUE(controller.isPlaying());
    scheduler.runNext();
    scheduler.runNext();
    scheduler.runNext();  // key 16, the last press
    EXPECT_EQ(view.highlighted, 2u);
    EXPECT_EQ(view.marked, -1);
    scheduler.runAll();
    EXPECT_FALSE(controller.isPlaying());
    EXPECT_EQ(view.highlighted, std::nullopt);
    EXPECT_TRUE(view.boxes.empty());
}

TEST_F(PracticeTest, ASongWithoutPressesIsReplayedAsUsual)
{
    controller.setEvents({});
    RecordingEvents releases;
    releases.append(test::eventOf(0.1f, R));
    controller.setEvents(releases);
    practice.setEnabled(true);
    controller.click(RecorderButton::Replay);
    EXPECT_TRUE(scheduler.pending());
    scheduler.runAll();
    EXPECT_FALSE(controller.isPlaying());
    EXPECT_TRUE(view.boxes.empty());
}

TEST_F(PracticeTest, TempoScalesTheDelaysFromTheAwaitedEventOn)
{
    RecordingEvents events;
    events.append(test::eventOf(1.0f, 12));
    events.append(test::eventOf(2.0f, R));
    events.append(test::eventOf(2.0f, 14));
    controller.setEvents(events);
    controller.setTempoPercent(200);
    controller.click(RecorderButton::Replay);
    EXPECT_DOUBLE_EQ(scheduler.due(), 5000.5);
    scheduler.runNext();
    const double fired = clock.now();
    EXPECT_NEAR(scheduler.due(), fired + 1.0, 1e-9);
    // Slower while the release is awaited: it moves to its new time.
    controller.setTempoPercent(50);
    EXPECT_NEAR(scheduler.due(), fired + 4.0, 1e-9);
    controller.setTempoPercent(10);  // below the slowest: 25 %
    EXPECT_NEAR(scheduler.due(), fired + 8.0, 1e-9);
    controller.setTempoPercent(NormalTempoPercent);
    EXPECT_NEAR(scheduler.due(), fired + 2.0, 1e-9);
}

// A song far longer than a score holds: the window shows its first notes and
// follows them; past them the marked key and the practice go on to the end.
TEST_F(PracticeTest, ALongSongShowsACutScoreAndIsFollowedToItsLastPress)
{
    // Keys round the keyboard, each released shortly before the next press
    // (no rests), so symbol i is press i (event 2i).
    const std::size_t presses = MaxScoreNotes + 2;
    auto keyOf = [](std::size_t press) { return static_cast<int>(press % KeyCount); };
    RecordingEvents events;
    for (std::size_t i = 0; i < presses; ++i) {
        events.append(test::eventOf(0.05f, keyOf(i)));
        events.append(test::eventOf(0.15f, R));
    }
    controller.setEvents(events);
    const std::size_t lastWritten = MaxScoreNotes - 1;

    controller.click(RecorderButton::Replay);
    ASSERT_EQ(view.scores.size(), 1u);
    EXPECT_TRUE(view.scores[0].cut);
    EXPECT_EQ(view.scores[0].noteCount, MaxScoreNotes);
    EXPECT_EQ(view.scores[0].notes.size(), MaxScoreNotes);
    for (std::size_t event = 0; event <= 2 * lastWritten + 1; ++event)
        ASSERT_TRUE(scheduler.runNext());
    EXPECT_EQ(view.highlighted, lastWritten);  // its release leaves it lit
    scheduler.runNext();                        // the first press past the cut
    EXPECT_EQ(view.highlighted, std::nullopt);
    EXPECT_EQ(view.marked, keyOf(presses - 1));
    scheduler.runAll();
    EXPECT_FALSE(controller.isPlaying());

    practice.setEnabled(true);
    controller.click(RecorderButton::Replay);
    EXPECT_EQ(view.figures->notes, presses);
    for (std::size_t i = 0; i < presses; ++i) {
        EXPECT_EQ(view.marked, keyOf(i)) << "press " << i;
        if (i == lastWritten || i == lastWritten + 1) {
            EXPECT_EQ(view.highlighted, i == lastWritten ? std::optional(lastWritten) : std::nullopt);
        }
        play(keyOf(i));
    }
    EXPECT_EQ(view.state, State::Finished);
    EXPECT_EQ(view.figures->hits, presses);
    lift(keyOf(presses - 1));
    deferral.runNext();
    EXPECT_EQ(view.boxes.size(), 1u);
}

// A click on a note practises from it to the end; Shift+click on a second
// note loops the passage between the two, each pass with fresh figures,
// until the stop button.
TEST_F(PracticeTest, AClickedNoteStartsThereAndShiftClickLoopsAPassage)
{
    setSong();
    controller.click(RecorderButton::Replay);  // an ordinary replay shows the score
    practice.noteClicked(1, false);            // practice is off: 跟弹 from key 14
    EXPECT_TRUE(controller.isPlaying());
    EXPECT_EQ(view.marked, 14);
    EXPECT_EQ(view.highlighted, 1u);
    EXPECT_EQ(practice.session().figures().notes, 2u);
    play(14);
    play(16);
    lift(16);
    deferral.runNext();
    ASSERT_EQ(view.boxes.size(), 1u);
    view.closeBox();

    practice.noteClicked(1, false);
    practice.noteClicked(0, true);  // the passage backwards: 12 to 14
    ASSERT_TRUE(practice.loop());
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(view.marked, 12) << "pass " << pass;
        EXPECT_EQ(practice.session().figures(), (PracticeFigures{2, 0, 0, 0})) << "pass " << pass;
        play(12);
        if (pass == 1)
            play(20);  // a wrong key in the second pass only
        play(14);
        lift(14);
        deferral.runNext();  // the pass ends
        EXPECT_EQ(view.figures->misses, pass == 1 ? 1u : 0u);
        deferral.runNext();  // and the next begins
    }
    EXPECT_EQ(view.boxes.size(), 1u);  // no box between the passes
    controller.click(RecorderButton::Stop);
    EXPECT_FALSE(practice.loop());
    deferral.runAll();
    EXPECT_FALSE(controller.isPlaying());
    EXPECT_EQ(passageEvents(controller.events(), 2, 4).size(), 4u);  // press 14 to the release after 16
}

// Rhythm practice on the program's one scheduler: the metronome's slot, the
// practice's and the player's share one timer, as in the program.
class RhythmPracticeTest : public ::testing::Test {
protected:
    RhythmPracticeTest()
    {
        controller.setReplayHooks(&practice);
        practice.setMetronome(&metronome);
        practice.setMode(PracticeMode::Rhythm);
        // Keys 12, 14, 16 a second apart: the beat is a second.
        controller.setEvents(test::eventsOf(
            {{0.1f, 12}, {0.75f, R}, {0.25f, 14}, {0.75f, R}, {0.25f, 16}, {0.75f, R}}));
    }

    // Runs what falls due up to `time`, then sets the clock there.
    void runUntil(double time)
    {
        while (timer.pending() && timer.due() <= time)
            timer.runNext();
        clock.set(time);
    }
    void press(int key, double time)
    {
        runUntil(time);
        practice.keyPressed(key);
    }
    void release(int key, double time)
    {
        runUntil(time);
        practice.keyReleased(key);
    }
    // The metronome's strikes so far: accent 'A' or plain 'c'.
    std::string clicks() const
    {
        std::string text;
        for (ShortMessage m : midi.messages) {
            if (statusByte(m) == 0x99)
                text += dataByte1(m) == AccentClickNote && dataByte2(m) == AccentClickVelocity ? 'A' : 'c';
        }
        return text;
    }

    ManualClock clock{5000.0};
    test::JournalKeys keys{clock};
    test::ScriptedUi ui;
    test::ManualScheduler timer{clock};
    SharedScheduler scheduler{timer};
    RecordingController controller{keys, ui, scheduler.addSlot(), clock, systemTextCodec(), atomicFileSaver()};
    test::RecordingPort port;
    test::MidiJournal& midi = port.devices.journal;
    Metronome metronome{port.port, scheduler.addSlot(), clock};
    FakePracticeView view;
    PracticeController practice{controller, view, scheduler.addSlot(), clock};
};

TEST_F(RhythmPracticeTest, ABarOfClicksThenEachPressIsJudgedAgainstItsNote)
{
    controller.click(RecorderButton::Replay);
    EXPECT_TRUE(controller.isPlaying());
    const double firstClick = 5000.0 + PracticeController::CountInLead;
    const double firstNote = firstClick + 4 * 1.0;

    // The count-in: one bar of four beats, the first accented, and no note.
    runUntil(firstNote - 0.01);
    EXPECT_EQ(clicks(), "Accc");
    EXPECT_TRUE(view.grades.empty());
    EXPECT_TRUE(keys.entries.empty());  // the song's own notes stay silent
    runUntil(firstNote + 0.001);
    EXPECT_EQ(clicks(), "AcccA");
    EXPECT_EQ(view.highlighted, 0u);
    EXPECT_EQ(view.marked, 14);

    press(12, firstNote + 0.05);  // on time
    release(12, firstNote + 0.5);
    press(30, firstNote + 0.6);   // no note near: wrong
    release(30, firstNote + 0.7);
    press(14, firstNote + 1.15);  // late
    release(14, firstNote + 1.5);
    // 16 is never played: missed once its window has closed.
    runUntil(firstNote + 2.0 + 0.249);
    EXPECT_EQ(view.rhythmFigures->missed, 0u);
    runUntil(firstNote + 2.0 + 0.251);
    EXPECT_EQ(view.grades, (std::vector<std::pair<std::size_t, RhythmGrade>>{
                               {0, RhythmGrade::OnTime}, {1, RhythmGrade::Late}, {2, RhythmGrade::Missed}}));
    runUntil(firstNote + 3.0);
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, "音符：3 个\n准：1 个\n早：0 个\n晚：1 个\n漏：1 个\n错：1 次\n准确率：25 %\n"
                                  "平均偏差：晚 100 毫秒\n偏差波动：±50 毫秒");
    EXPECT_TRUE(view.boxes[0].takeKept);
    EXPECT_FALSE(controller.isPlaying());
    // The metronome stops with the pass, its last click silenced.
    EXPECT_FALSE(metronome.isRunning());
    EXPECT_EQ(midi.messages.back(), noteOffMessage(MetronomeChannel, ClickNote));
    EXPECT_FALSE(timer.pending());
    // The take is the player's presses as played: 12, 30, 14.
    EXPECT_EQ(test::keysOf(*practice.take()), (std::vector<int>{12, R, 30, R, 14, R}));
    EXPECT_NEAR((*practice.take())[4].delay, 0.45, 1e-6);
}

TEST_F(RhythmPracticeTest, HalfSpeedDoublesTheBeatAndTheWindows)
{
    practice.setSpeedPercent(50);
    controller.click(RecorderButton::Replay);
    const double firstNote = 5000.0 + PracticeController::CountInLead + 4 * 2.0;
    runUntil(firstNote - 0.01);
    EXPECT_EQ(clicks(), "Accc");
    press(12, firstNote + 0.15);  // within 80 ms at full speed: 160 ms here
    press(14, firstNote + 2.0 - 0.4);
    EXPECT_EQ(view.grades, (std::vector<std::pair<std::size_t, RhythmGrade>>{{0, RhythmGrade::OnTime},
                                                                             {1, RhythmGrade::Early}}));
    controller.click(RecorderButton::Stop);
    EXPECT_FALSE(metronome.isRunning());
    EXPECT_FALSE(timer.pending());
    EXPECT_TRUE(view.boxes.empty());
}

TEST_F(RhythmPracticeTest, TheMetronomeAloneFollowsTheSpeedBoxWithin40To240)
{
    practice.setMode(std::nullopt);
    practice.setMetronomeOn(true);  // no song shown: 120 beats a minute
    runUntil(5000.0 + 1.5 + 0.001);
    EXPECT_EQ(clicks(), "Accc");
    practice.setSpeedPercent(25);  // 30 beats a minute: the slowest, 40
    EXPECT_DOUBLE_EQ(metronome.beatSeconds(), 1.5);
    practice.setSpeedPercent(200);
    EXPECT_DOUBLE_EQ(metronome.beatSeconds(), 0.25);
    // A song shown gives its beat: 60 a minute, at 200 % 120.
    controller.click(RecorderButton::Replay);
    EXPECT_DOUBLE_EQ(metronome.beatSeconds(), 0.5);
    practice.setMetronomeOn(false);
    EXPECT_FALSE(metronome.isRunning());
}

// The press reaches the port before the practice hears of it, so following
// along adds nothing to the time a key takes to sound.
TEST(PracticeKeyPath, ThePressSoundsBeforeThePracticeHearsOfIt)
{
    struct Listener : KeyPressListener {
        explicit Listener(test::KeyboardRig& r) : rig(r) {}
        void keyPressed(int key) override
        {
            heard.push_back(key);
            sentBefore.push_back(rig.messages().size());
        }
        test::KeyboardRig& rig;
        std::vector<int> heard;
        std::vector<std::size_t> sentBefore;
    };
    test::KeyboardRig rig;
    Listener listener(rig);
    rig.keys.setPressListener(&listener);
    rig.press(2);
    rig.keys.press(5, 2);  // right button: no press
    rig.release(2);
    EXPECT_EQ(listener.heard, (std::vector<int>{2}));
    EXPECT_EQ(listener.sentBefore, (std::vector<std::size_t>{4}));  // the chord's four note-ons
}

}  // namespace
}  // namespace kelodi
