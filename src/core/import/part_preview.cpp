// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/import/part_preview.h"

#include <algorithm>

#include "core/midi/midi_port.h"
#include "core/recording/clock.h"
#include "core/recording/playback_scheduler.h"

namespace kelodi {

namespace {

constexpr int PercussionChannel = 9;

bool isNoteOn(ShortMessage message)
{
    return (message & 0xF0u) == MidiKind::NoteOn && ((message >> 16) & 0x7Fu) != 0;
}

}  // namespace

std::vector<TimedMessage> previewMessages(const ImportedPart& part, int channel, double seconds)
{
    const int sounding = part.percussion ? PercussionChannel : std::clamp(channel, 0, 15);
    std::vector<TimedMessage> messages;
    if (part.notes.empty())
        return messages;
    double first = part.notes.front().start;
    for (const ImportedNote& note : part.notes)
        first = std::min(first, note.start);
    for (const ImportedNote& note : part.notes) {
        const double start = note.start - first;
        if (start >= seconds)
            continue;
        const int pitch = std::clamp(note.pitch, 0, 127);
        messages.push_back({start, packShortMessage(MidiKind::NoteOn, sounding, pitch, std::clamp(note.velocity, 1, 127))});
        messages.push_back({std::min(note.end - first, seconds), noteOffMessage(sounding, pitch)});
    }
    std::stable_sort(messages.begin(), messages.end(), [](const TimedMessage& a, const TimedMessage& b) {
        if (a.seconds != b.seconds)
            return a.seconds < b.seconds;
        return !isNoteOn(a.message) && isNoteOn(b.message);
    });
    return messages;
}

PartPreview::PartPreview(MidiPort& port, PlaybackScheduler& scheduler, const Clock& clock)
    : m_port(port), m_scheduler(scheduler), m_clock(clock)
{
}

PartPreview::~PartPreview()
{
    stop();
}

void PartPreview::start(const ImportedPart& part, int channel)
{
    stop();
    m_messages = previewMessages(part, channel);
    m_next = 0;
    m_startTime = m_clock.now();
    if (!m_messages.empty())
        m_scheduler.callAt(m_startTime + m_messages.front().seconds, [this] { playDue(); });
}

void PartPreview::stop()
{
    m_scheduler.cancel();
    m_messages.clear();
    m_next = 0;
    for (int channel = 0; channel < 16; ++channel) {
        for (int note = 0; note < 128; ++note) {
            int& count = m_sounding[static_cast<std::size_t>(channel)][static_cast<std::size_t>(note)];
            for (; count > 0; --count)
                m_port.sendNoteOff(channel, note);
        }
    }
}

void PartPreview::playDue()
{
    const double elapsed = m_clock.now() - m_startTime;
    while (m_next < m_messages.size() && m_messages[m_next].seconds <= elapsed)
        send(m_messages[m_next++].message);
    if (m_next < m_messages.size())
        m_scheduler.callAt(m_startTime + m_messages[m_next].seconds, [this] { playDue(); });
}

void PartPreview::send(ShortMessage message)
{
    const auto channel = static_cast<std::size_t>(message & 0x0Fu);
    const auto note = static_cast<std::size_t>((message >> 8) & 0x7Fu);
    int& count = m_sounding[channel][note];
    if (isNoteOn(message)) {
        ++count;
    } else if (count > 0) {
        --count;
    } else {
        return;  // already ended by an earlier note-off of the same note
    }
    m_port.sendShortMessage(message);
}

}  // namespace kelodi
