// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include "core/midi/midi_file.h"
#include "core/recording/recording_events.h"

namespace kelodi {

// The panel state a replay sounds with: the instrument of the channel, the
// channel, the chord type and the octave shift.
struct ReplaySettings {
    int program = 0;    // 0..127
    int channel = 0;    // 0..15
    int chordType = 0;  // 0..10, 0 = single notes
    int octave = 0;     // -3..4

    bool valid() const;
};

// What a replay of some events sends to the port.
struct ReplayTranscript {
    // In the order sent: the program change at time 0, then the note-ons and
    // note-offs of the key path, each at the moment the player sends it.
    std::vector<TimedMessage> messages;
    // When the last event fired; the replay's stop releases every key then.
    double endSeconds = 0;

    bool hasNotes() const;
    // The time of the last message (0 without any).
    double lastMessageSeconds() const { return messages.empty() ? 0.0 : messages.back().seconds; }
};

// Plays `events` through the real player and key path, with time moved by
// hand to each due time, and keeps what reaches the port: exactly what the
// window sends when it replays the same events with the same panel, without
// waiting for it. Each event fires at the sum of the delays before it (the
// player's timing without lateness); the replay ends as the window's does,
// with every key released when the last event has fired. Settings outside
// their ranges give an empty transcript.
ReplayTranscript transcribeReplay(const RecordingEvents& events, const ReplaySettings& settings);

}  // namespace kelodi
