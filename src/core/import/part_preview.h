// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "core/import/imported_song.h"
#include "core/midi/midi_file.h"

namespace kelodi {

class Clock;
class MidiPort;
class PlaybackScheduler;

// How much of a part "试听" plays.
inline constexpr double PreviewSeconds = 8.0;

// The messages that play the first `seconds` of `part` on `channel` (drums
// on the percussion channel 9 whatever `channel` says): each note on at its
// start with its own velocity and off at its end, or at `seconds` when it
// would sound on beyond them. Times from the first note's start, by time; at
// one time the note-offs come first.
std::vector<TimedMessage> previewMessages(const ImportedPart& part, int channel, double seconds = PreviewSeconds);

// "试听" in the part chooser: plays previewMessages through the program's
// port, on the scheduler's event loop. Stopping (or another start, or the
// end of the preview) leaves no note sounding: every note it started and has
// not ended gets its note-off.
class PartPreview {
public:
    // None is owned; all must outlive the preview.
    PartPreview(MidiPort& port, PlaybackScheduler& scheduler, const Clock& clock);
    ~PartPreview();
    PartPreview(const PartPreview&) = delete;
    PartPreview& operator=(const PartPreview&) = delete;

    void start(const ImportedPart& part, int channel);
    void stop();
    bool isPlaying() const { return m_next < m_messages.size(); }

private:
    void playDue();
    void send(ShortMessage message);

    MidiPort& m_port;
    PlaybackScheduler& m_scheduler;
    const Clock& m_clock;
    std::vector<TimedMessage> m_messages;
    std::size_t m_next = 0;
    double m_startTime = 0;
    // Notes on and not yet off, per channel and note.
    std::array<std::array<int, 128>, 16> m_sounding{};
};

}  // namespace kelodi
