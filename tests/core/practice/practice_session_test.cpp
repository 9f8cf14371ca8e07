// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "core/practice/practice_session.h"
#include "core/recording/event_notation.h"

namespace kelodi {
namespace {

using test::R;
using State = PracticeSession::State;
using Press = PracticeSession::Press;

std::shared_ptr<const RecordingEvents> song()
{
    // Presses of keys 12, 14 and 12 with releases between, and an event that
    // presses nothing (60 is no key).
    RecordingEvents events;
    for (auto [delay, key] : {std::pair{0.1f, 12}, {0.5f, R}, {0.5f, 60}, {0.5f, 14}, {0.5f, R}, {0.5f, 12}})
        events.append(test::eventOf(delay, key));
    return std::make_shared<const RecordingEvents>(std::move(events));
}

TEST(PracticeSession, WaitsForEachPressInOrderAndCountsWrongKeys)
{
    PracticeSession session;
    ASSERT_TRUE(session.start(song()));
    EXPECT_EQ(session.state(), State::Waiting);
    EXPECT_EQ(session.waitingKey(), 12);
    EXPECT_EQ(session.waitingEvent(), 0u);

    EXPECT_EQ(session.keyPressed(14, 100.5), Press::Miss);
    EXPECT_EQ(session.waitingKey(), 12);  // the song waits on
    EXPECT_EQ(session.keyPressed(12, 101.0), Press::Hit);
    // Releases and the event without a key are not waited for.
    EXPECT_EQ(session.waitingKey(), 14);
    EXPECT_EQ(session.waitingEvent(), 3u);
    EXPECT_EQ(session.keyPressed(14, 102.0), Press::Hit);
    EXPECT_EQ(session.keyPressed(14, 102.5), Press::Miss);
    EXPECT_EQ(session.keyPressed(12, 104.25), Press::Hit);

    EXPECT_EQ(session.state(), State::Finished);
    EXPECT_EQ(session.waitingKey(), std::nullopt);
    // The time runs from the first press (the wrong one at 100.5), not from
    // the start of the pass.
    EXPECT_EQ(session.figures(), (PracticeFigures{3, 3, 2, 3.75}));
    EXPECT_EQ(accuracyPercent(session.figures()), 60);

    // A finished pass takes no more presses, and a stop leaves it finished.
    EXPECT_EQ(session.keyPressed(5, 106.0), Press::Ignored);
    session.stop();
    EXPECT_EQ(session.state(), State::Finished);
    EXPECT_EQ(session.figures(), (PracticeFigures{3, 3, 2, 3.75}));
}

// A chord written as presses 0.01 s apart (within 30 ms) and then a note
// 0.04 s after the chord's first key (too late to belong to it).
std::shared_ptr<const RecordingEvents> chordSong()
{
    return std::make_shared<const RecordingEvents>(test::eventsOf(
        {{0.5f, 12}, {0.01f, 16}, {0.01f, 19}, {0.02f, 24}, {0.5f, R}, {0.5f, 14}, {0.0f, 17}}));
}

TEST(PracticeSession, AChordIsCompleteWhenAllItsKeysComeWithin300Ms)
{
    PracticeSession session;
    ASSERT_TRUE(session.start(chordSong()));
    EXPECT_EQ(session.chordKeys(), (std::vector<int>{12, 16, 19}));
    EXPECT_EQ(session.waitingKey(), 12);

    // In reverse order, the last key 0.28 s after the first.
    EXPECT_EQ(session.keyPressed(19, 10.0), Press::Hit);
    EXPECT_EQ(session.waitingKey(), 12);
    EXPECT_EQ(session.keyPressed(16, 10.1), Press::Hit);
    EXPECT_EQ(session.keyPressed(12, 10.28), Press::Hit);
    EXPECT_EQ(session.chordKeys(), (std::vector<int>{24}));
    EXPECT_EQ(session.waitingEvent(), 3u);
    EXPECT_EQ(session.keyPressed(24, 11.0), Press::Hit);

    // Too far apart: the first key has to come again.
    EXPECT_EQ(session.chordKeys(), (std::vector<int>{14, 17}));
    EXPECT_EQ(session.keyPressed(17, 12.0), Press::Hit);
    EXPECT_EQ(session.keyPressed(14, 12.31), Press::Hit);
    EXPECT_EQ(session.state(), State::Waiting);
    EXPECT_EQ(session.waitingKey(), 17);
    EXPECT_EQ(session.keyPressed(5, 12.4), Press::Miss);
    EXPECT_EQ(session.keyPressed(17, 12.5), Press::Hit);
    EXPECT_EQ(session.state(), State::Finished);
    EXPECT_EQ(session.chordKeys(), (std::vector<int>{14, 17}));  // the keys of the last note
    EXPECT_EQ(session.figures(), (PracticeFigures{6, 7, 1, 2.5}));
    EXPECT_EQ(accuracyPercent(session.figures()), 87);  // 7 of 8, rounded down
}

TEST(PracticeSession, AStopKeepsTheFiguresAndTheNextStartClearsThem)
{
    PracticeSession session;
    EXPECT_EQ(session.keyPressed(12, 1.0), Press::Ignored);  // never started
    session.start(song());
    session.keyPressed(12, 1.0);
    session.keyPressed(40, 2.0);
    session.stop();
    EXPECT_EQ(session.state(), State::Idle);
    EXPECT_EQ(session.keyPressed(14, 3.0), Press::Ignored);
    EXPECT_EQ(session.figures(), (PracticeFigures{3, 1, 1, 0}));

    session.start(song());
    EXPECT_EQ(session.figures(), (PracticeFigures{3, 0, 0, 0}));
    EXPECT_EQ(session.waitingKey(), 12);
}

TEST(PracticeSession, ASongWithoutAPressCannotBePractised)
{
    PracticeSession session;
    session.start(song());
    session.keyPressed(12, 1.0);
    session.stop();
    RecordingEvents releases;
    releases.append(test::eventOf(0.1f, R));
    releases.append(test::eventOf(0.1f, 50));
    EXPECT_FALSE(session.start(std::make_shared<const RecordingEvents>(releases)));
    EXPECT_FALSE(session.start(std::make_shared<const RecordingEvents>()));
    EXPECT_FALSE(session.start(nullptr));
    EXPECT_EQ(session.state(), State::Idle);
    EXPECT_EQ(session.figures(), (PracticeFigures{3, 1, 0, 0}));
}

TEST(PracticeSession, KeepsItsSongWhenTheEventsInMemoryAreReplaced)
{
    PracticeSession session;
    std::shared_ptr<const RecordingEvents> inMemory = song();
    session.start(inMemory);
    RecordingEvents take;
    take.append(test::eventOf(0.1f, 40));
    inMemory = std::make_shared<const RecordingEvents>(take);
    EXPECT_EQ(session.keyPressed(12, 1.0), Press::Hit);
    EXPECT_EQ(session.waitingKey(), 14);
}

}  // namespace
}  // namespace kelodi
