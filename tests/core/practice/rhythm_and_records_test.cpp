// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "core/practice/practice_history.h"
#include "core/practice/rhythm_session.h"
#include "core/recording/event_notation.h"
#include "core/recording/recording_fakes.h"
#include "core/recording/shared_scheduler.h"
#include "core/text/utf8.h"
#include "core/fakes/scratch_folder.h"

namespace kelodi {
namespace {

using test::R;

// Five presses of key 12 a second apart (then one of key 20), judged from 10 s.
RecordingEvents fiveBeats()
{
    return test::eventsOf({{0.5f, 12}, {0.5f, R}, {0.5f, 12}, {0.5f, R}, {0.5f, 12}, {0.5f, R}, {0.5f, 12},
                           {0.5f, R}, {0.5f, 12}, {0.5f, R}, {0.5f, 20}});
}

std::string grades(const RhythmSession& session)
{
    std::string text;
    for (const RhythmSession::Note& note : session.notes()) {
        if (!note.grade) {
            text += '-';
            continue;
        }
        switch (*note.grade) {
        case RhythmGrade::OnTime: text += 'O'; break;
        case RhythmGrade::Early: text += 'E'; break;
        case RhythmGrade::Late: text += 'L'; break;
        case RhythmGrade::Missed: text += 'M'; break;
        case RhythmGrade::Wrong: text += 'W'; break;
        }
    }
    return text;
}

// The windows' edges, at full speed and at half speed (twice as wide).
TEST(RhythmSession, GradesAtTheEdgesOfTheWindows)
{
    RhythmSession session;
    ASSERT_TRUE(session.start(fiveBeats(), 10.0, 1.0));
    EXPECT_EQ(session.keyPressed(12, 10.079)->grade, RhythmGrade::OnTime);
    EXPECT_EQ(session.keyPressed(12, 11.081)->grade, RhythmGrade::Late);
    EXPECT_EQ(session.keyPressed(12, 11.919)->grade, RhythmGrade::Early);
    // 251 ms before the fourth note: no note near, and the note stays open.
    const auto wrong = session.keyPressed(12, 12.749);
    EXPECT_EQ(wrong->grade, RhythmGrade::Wrong);
    EXPECT_FALSE(wrong->note);
    EXPECT_TRUE(session.pass(13.249).empty());
    EXPECT_EQ(session.pass(13.251), (std::vector<std::size_t>{3}));
    EXPECT_EQ(session.keyPressed(12, 14.0)->grade, RhythmGrade::OnTime);
    EXPECT_EQ(session.keyPressed(21, 15.0)->grade, RhythmGrade::Wrong);  // the right time, the wrong key
    EXPECT_TRUE(session.isRunning());
    session.pass(15.251);
    EXPECT_EQ(grades(session), "OLEMOM");
    EXPECT_TRUE(session.isFinished());
    const RhythmFigures& f = session.figures();
    EXPECT_EQ((std::vector<std::size_t>{f.notes, f.onTime, f.early, f.late, f.missed, f.wrong}),
              (std::vector<std::size_t>{6, 2, 1, 1, 2, 2}));
    EXPECT_EQ(rhythmAccuracyPercent(f), 25);  // 2 on time of 6 notes and 2 wrong presses
    EXPECT_NEAR(f.meanOffset(), (0.079 + 0.081 - 0.081 + 0.0) / 4, 1e-9);

    ASSERT_TRUE(session.start(fiveBeats(), 10.0, 2.0));  // half speed: notes two seconds apart
    EXPECT_EQ(session.keyPressed(12, 10.159)->grade, RhythmGrade::OnTime);
    EXPECT_EQ(session.keyPressed(12, 12.161)->grade, RhythmGrade::Late);
    EXPECT_EQ(session.keyPressed(12, 13.501)->grade, RhythmGrade::Early);
    EXPECT_EQ(session.keyPressed(12, 15.499)->grade, RhythmGrade::Wrong);
}

// A press goes to the closest open note of its key, not the first one.
TEST(RhythmSession, APressGoesToTheClosestOpenNote)
{
    RhythmSession session;
    ASSERT_TRUE(session.start(test::eventsOf({{0.0f, 12}, {0.2f, 12}}), 0.0, 1.0));
    EXPECT_EQ(session.keyPressed(12, 0.15)->note, std::optional<std::size_t>(1));
    EXPECT_EQ(session.keyPressed(12, 0.16)->note, std::optional<std::size_t>(0));
    EXPECT_EQ(grades(session), "LO");
}

TEST(PracticeRecords, ComparisonWithTheLastAndTheBestPassOfTheSameWay)
{
    const PassRecord wait1{"d", PracticeMode::Wait, 100, 90, 28.4};
    const PassRecord rhythm1{"d", PracticeMode::Rhythm, 100, 70, 20.0};
    const PassRecord wait2{"d", PracticeMode::Wait, 100, 96, 25.2};
    EXPECT_EQ(comparisonText({}, wait1), "第一次这样练习这首曲子");
    EXPECT_EQ(comparisonText({rhythm1}, wait1), "第一次这样练习这首曲子");
    EXPECT_EQ(comparisonText({wait1, rhythm1}, wait2), "比上次快 3.2 秒\n准确率最好 96 %（新纪录）");
    EXPECT_EQ(comparisonText({wait2, wait1}, PassRecord{"d", PracticeMode::Wait, 100, 93, 29.9}),
              "比上次慢 1.5 秒\n准确率最好 96 %");
    EXPECT_EQ(comparisonText({wait1}, PassRecord{"d", PracticeMode::Wait, 100, 90, 28.44}),
              "和上次一样快\n准确率最好 90 %");
    EXPECT_EQ(comparisonText({rhythm1, wait2}, PassRecord{"d", PracticeMode::Rhythm, 50, 66, 40.0}),
              "准确率比上次低 4 %\n准确率最好 70 %");
}

class PracticeHistoryTest : public test::ScratchFolderTest {
protected:
    PracticeHistoryTest() : ScratchFolderTest("kelodi-history-") {}
};

// What is written is read back by a new history, as after a restart; a
// line spoiled by hand is passed over.
TEST_F(PracticeHistoryTest, PassesAreKeptPerSongAcrossRuns)
{
    const std::string song = songKey(fiveBeats());
    EXPECT_EQ(song.size(), 16u);
    EXPECT_NE(song, songKey(test::eventsOf({{0.5f, 12}})));
    const PassRecord first{"2026-12-08 23:41", PracticeMode::Wait, 100, 91, 25.3};
    const PassRecord second{"2026-12-09 08:02", PracticeMode::Rhythm, 75, 100, 12.0};
    {
        const PracticeHistory history(m_folder / pathFromUtf8("练习记录"));
        ASSERT_TRUE(history.add(song, "小星星", first));
        std::ofstream(m_folder / pathFromUtf8("练习记录") / (song + ".txt"), std::ios::binary | std::ios::app) << "spoiled\tline\n";
        ASSERT_TRUE(history.add(song, "小星星", second));
        ASSERT_TRUE(history.add("other", "两只老虎", first));
    }
    const PracticeHistory history(m_folder / pathFromUtf8("练习记录"));
    EXPECT_EQ(history.passes(song), (std::vector<PassRecord>{first, second}));
    EXPECT_EQ(contents(m_folder / pathFromUtf8("练习记录") / (song + ".txt")),
              "# 小星星\n2026-12-08 23:41\t跟弹\t100\t91\t25.3\nspoiled\tline\n2026-12-09 08:02\t节奏\t75\t100\t12.0\n");
    EXPECT_TRUE(history.passes("none").empty());
}

// Requests of several slots on one timer run in time order, each slot with
// its own one pending request.
TEST(SharedScheduler, SlotsShareOneTimerInTimeOrder)
{
    ManualClock clock{0.0};
    test::ManualScheduler timer{clock};
    SharedScheduler shared{timer};
    PlaybackScheduler& a = shared.addSlot();
    PlaybackScheduler& b = shared.addSlot();
    std::string ran;
    a.callAt(2.0, [&] { ran += "a2 "; });
    b.callAt(1.0, [&] {
        ran += "b1 ";
        b.callAt(3.0, [&] { ran += "b3 "; });
    });
    a.callAt(1.5, [&] { ran += "a1.5 "; });  // replaces a2
    EXPECT_DOUBLE_EQ(timer.due(), 1.0);
    timer.runAll();
    EXPECT_EQ(ran, "b1 a1.5 b3 ");
    b.callAt(5.0, [&] { ran += "b5 "; });
    b.cancel();
    EXPECT_FALSE(timer.pending());
}

}  // namespace
}  // namespace kelodi
