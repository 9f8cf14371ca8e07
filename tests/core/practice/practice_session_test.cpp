// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "core/practice/practice_session.h"

namespace kelodi {
namespace {

constexpr float R = static_cast<float>(ReleaseMarker);
using State = PracticeSession::State;
using Press = PracticeSession::Press;

std::shared_ptr<const RecordingEvents> song()
{
    // Presses of keys 12, 14 and 12 with releases between, and an event that
    // presses nothing (60 is no key).
    RecordingEvents events;
    for (auto [delay, key] : {std::pair{0.1f, 12.0f}, {0.5f, R}, {0.5f, 60.0f}, {0.5f, 14.0f}, {0.5f, R}, {0.5f, 12.0f}})
        events.append(delay, key);
    return std::make_shared<const RecordingEvents>(std::move(events));
}

TEST(PracticeSession, WaitsForEachPressInOrderAndCountsWrongKeys)
{
    PracticeSession session;
    ASSERT_TRUE(session.start(song(), 100.0));
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
    EXPECT_EQ(session.figures(), (PracticeFigures{3, 3, 2, 4.25}));

    // A finished pass takes no more presses, and a stop leaves it finished.
    EXPECT_EQ(session.keyPressed(5, 106.0), Press::Ignored);
    session.stop();
    EXPECT_EQ(session.state(), State::Finished);
    EXPECT_EQ(session.figures(), (PracticeFigures{3, 3, 2, 4.25}));
}

TEST(PracticeSession, AStopKeepsTheFiguresAndTheNextStartClearsThem)
{
    PracticeSession session;
    EXPECT_EQ(session.keyPressed(12, 1.0), Press::Ignored);  // never started
    session.start(song(), 0);
    session.keyPressed(12, 1.0);
    session.keyPressed(40, 2.0);
    session.stop();
    EXPECT_EQ(session.state(), State::Idle);
    EXPECT_EQ(session.keyPressed(14, 3.0), Press::Ignored);
    EXPECT_EQ(session.figures(), (PracticeFigures{3, 1, 1, 1.0}));

    session.start(song(), 10.0);
    EXPECT_EQ(session.figures(), (PracticeFigures{3, 0, 0, 0}));
    EXPECT_EQ(session.waitingKey(), 12);
}

TEST(PracticeSession, ASongWithoutAPressCannotBePractised)
{
    PracticeSession session;
    session.start(song(), 0);
    session.keyPressed(12, 1.0);
    session.stop();
    RecordingEvents releases;
    releases.append(0.1f, R);
    releases.append(0.1f, 50.0f);
    EXPECT_FALSE(session.start(std::make_shared<const RecordingEvents>(releases), 5.0));
    EXPECT_FALSE(session.start(std::make_shared<const RecordingEvents>(), 5.0));
    EXPECT_FALSE(session.start(nullptr, 5.0));
    EXPECT_EQ(session.state(), State::Idle);
    EXPECT_EQ(session.figures(), (PracticeFigures{3, 1, 0, 1.0}));
}

TEST(PracticeSession, KeepsItsSongWhenTheEventsInMemoryAreReplaced)
{
    PracticeSession session;
    std::shared_ptr<const RecordingEvents> inMemory = song();
    session.start(inMemory, 0);
    RecordingEvents take;
    take.append(0.1f, 40.0f);
    inMemory = std::make_shared<const RecordingEvents>(take);
    EXPECT_EQ(session.keyPressed(12, 1.0), Press::Hit);
    EXPECT_EQ(session.waitingKey(), 14);
}

}  // namespace
}  // namespace kelodi
