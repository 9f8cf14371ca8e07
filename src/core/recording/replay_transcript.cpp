// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/recording/replay_transcript.h"

#include <cmath>
#include <limits>
#include <memory>

#include "core/midi/midi_device.h"
#include "core/midi/midi_port.h"
#include "core/recording/clock.h"
#include "core/recording/player.h"
#include "core/recording/song_export.h"

namespace kelodi {

namespace {

// A port that writes down each message with the replay clock's time.
class TranscriptOut final : public MidiOut {
public:
    TranscriptOut(const Clock& clock, std::vector<TimedMessage>& messages) : m_clock(clock), m_messages(messages) {}
    void send(ShortMessage message) override { m_messages.push_back({m_clock.now(), message}); }
    void reset() override {}
    void close() override {}

private:
    const Clock& m_clock;
    std::vector<TimedMessage>& m_messages;
};

class TranscriptDevices final : public MidiDeviceList {
public:
    TranscriptDevices(const Clock& clock, std::vector<TimedMessage>& messages) : m_clock(clock), m_messages(messages) {}
    int count() const override { return 1; }
    MidiDeviceCaps caps(int) const override { return {}; }
    std::unique_ptr<MidiOut> open(int) override { return std::make_unique<TranscriptOut>(m_clock, m_messages); }

private:
    const Clock& m_clock;
    std::vector<TimedMessage>& m_messages;
};

}  // namespace

bool ReplaySettings::valid() const
{
    return program >= 0 && program <= 127 && channel >= 0 && channel < ChannelCount && chordType >= 0
           && chordType < ChordTypeCount && octave >= -3 && octave <= 4;
}

bool ReplayTranscript::hasNotes() const
{
    for (const TimedMessage& m : messages)
        if ((statusByte(m.message) & 0xF0) == MidiKind::NoteOn)
            return true;
    return false;
}

ReplayTranscript transcribeReplay(const RecordingEvents& events, const ReplaySettings& settings)
{
    ReplayTranscript transcript;
    if (!settings.valid())
        return transcript;
    ManualClock clock(0.0);
    TranscriptDevices devices(clock, transcript.messages);
    // The port stays closed while the panel is set up: the controllers that
    // setting it sends are not part of the replay.
    MidiPort port(devices);
    ReplayKeys keys(port, settings);
    port.open(MidiMapperId);
    keys.sendProgram();

    Player player(keys.presser());
    player.start(events, 0.0);
    while (const std::optional<double> due = player.nextDueTime()) {
        // The player fires an event once strictly more than its delay has
        // passed: at the first representable instant after the due time (a
        // step further where rounding makes that instant look due-on-time).
        // The clock is set first: the port stamps the event's messages.
        double now = *due;
        do {
            now = std::nextafter(now, std::numeric_limits<double>::infinity());
            clock.set(now);
        } while (!player.fireDue(now));
    }
    transcript.endSeconds = clock.now();
    Player::releaseAllKeys(keys.presser());
    return transcript;
}

}  // namespace kelodi
