// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "core/recording/event_notation.h"
#include "core/recording/replay_transcript.h"

namespace kelodi {
namespace {

using test::eventsOf;

std::vector<ShortMessage> messagesOf(const ReplayTranscript& t)
{
    std::vector<ShortMessage> out;
    for (const TimedMessage& m : t.messages)
        out.push_back(m.message);
    return out;
}

TEST(ReplayTranscript, SoundsThePanelStateAtTheSumOfTheDelays)
{
    // Channel 2, minor chords one octave down, program 40.
    const ReplaySettings settings{40, 2, 2, -1};
    const ReplayTranscript t = transcribeReplay(eventsOf({{0.1f, 12}, {0.5f, ReleaseMarker}, {0.25f, 4}}), settings);
    const std::vector<ShortMessage> expected = {
        programChangeMessage(2, 40),
        noteOnMessage(2, 36), noteOnMessage(2, 39), noteOnMessage(2, 43), noteOnMessage(2, 48),
        noteOffMessage(2, 36), noteOffMessage(2, 39), noteOffMessage(2, 43), noteOffMessage(2, 48),
        noteOnMessage(2, 28), noteOnMessage(2, 31), noteOnMessage(2, 35), noteOnMessage(2, 40),
        // The replay's end releases the key still down, at once.
        noteOffMessage(2, 28), noteOffMessage(2, 31), noteOffMessage(2, 35), noteOffMessage(2, 40),
    };
    EXPECT_EQ(messagesOf(t), expected);
    const double times[] = {0, 0.1, 0.6, 0.85, 0.85};
    const std::size_t first[] = {0, 1, 5, 9, 13};
    for (int i = 0; i < 5; ++i)
        EXPECT_NEAR(t.messages[first[i]].seconds, times[i], 1e-6) << i;
    EXPECT_NEAR(t.endSeconds, 0.85, 1e-6);
    EXPECT_TRUE(t.hasNotes());
}

TEST(ReplayTranscript, FollowsTheKeyPathRulesForRepeatedKeysAndHighNotes)
{
    // Octave +4, major ninth chords: key 40 sounds 124 and 128+ are dropped.
    const ReplaySettings settings{0, 0, 8, 4};
    const ReplayTranscript t = transcribeReplay(eventsOf({{0.1f, 40}, {0.0f, 40}, {0.2f, ReleaseMarker}}), settings);
    const std::vector<ShortMessage> expected = {
        programChangeMessage(0, 0),
        noteOnMessage(0, 124),
        // Pressed again while it sounds: its notes stop before they restart.
        noteOffMessage(0, 124), noteOnMessage(0, 124),
        noteOffMessage(0, 124),
    };
    EXPECT_EQ(messagesOf(t), expected);
    // A delay of 0 fires on the next instant, never before its predecessor.
    EXPECT_GE(t.messages[2].seconds, t.messages[1].seconds);
    EXPECT_NEAR(t.messages[4].seconds, 0.3, 1e-6);
}

TEST(ReplayTranscript, SettingsOutOfRangeGiveNothing)
{
    const RecordingEvents events = eventsOf({{0.1f, 0}});
    for (const ReplaySettings& bad : {ReplaySettings{128, 0, 0, 0}, ReplaySettings{0, 16, 0, 0},
                                      ReplaySettings{0, 0, 11, 0}, ReplaySettings{0, 0, 0, 5},
                                      ReplaySettings{0, 0, 0, -4}})
        EXPECT_TRUE(transcribeReplay(events, bad).messages.empty());
}

}  // namespace
}  // namespace kelodi
