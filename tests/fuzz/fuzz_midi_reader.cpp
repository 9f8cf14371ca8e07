// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the MIDI file reader and the melody import: any bytes must
// read without a crash, a hang or a sanitizer report; a file that reads must
// give a melody the keys can play, and its notes must survive the writer and
// the reader.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/midi/midi_file.h"
#include "core/recording/melody_import.h"

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkPlayable(const kelodi::MelodyImport& melody)
{
    using namespace kelodi;
    const RecordingEvents& events = melody.events;
    check(events.size() % 2 == 0);
    for (std::size_t i = 0; i < events.size(); ++i) {
        const float delay = events[i].delay;
        check(std::isfinite(delay) && delay >= 0);
        // Presses and releases alternate, every press on one of the keys.
        if (i % 2 == 0)
            check(isKeyIndex(events[i].pressedKey()));
        else
            check(events[i].isReleaseAll());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelodi;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string error;
    const std::optional<MidiFile> file = parseMidiFile(bytes, &error);
    if (!file) {
        check(!error.empty());
        return 0;
    }
    check(!file->tracks.empty());
    check(file->format == 0 || file->format == 1);

    if (const std::optional<MelodyImport> melody = importMelody(*file, {}))
        checkPlayable(*melody);
    MelodySource percussion;
    percussion.channel = 9;
    if (const std::optional<MelodyImport> drums = importMelody(*file, percussion))
        checkPlayable(*drums);

    // The first track written again at its times and read back: the same
    // messages in the same order.
    const TempoMap tempo(*file);
    std::vector<TimedMessage> messages;
    for (const MidiTrackEvent& e : file->tracks.front().events) {
        const double seconds = tempo.seconds(e.tick);
        check(std::isfinite(seconds) && seconds >= 0);
        messages.push_back({seconds, packShortMessage(e.status & 0xF0u, e.status & 0x0F, e.data1, e.data2)});
    }
    // Days of silence would be written as runs of filler events: correct,
    // but slow for a fuzzer.
    if (messages.size() > 100'000 || (!messages.empty() && messages.back().seconds > 1e6))
        return 0;
    const std::optional<MidiFile> again = parseMidiFile(encodeMidiFile(messages, 0.0));
    check(again.has_value() && again->tracks.size() == 1);
    check(again->tracks.front().events.size() == messages.size());
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const MidiTrackEvent& e = again->tracks.front().events[i];
        check(packShortMessage(e.status & 0xF0u, e.status & 0x0F, e.data1, e.data2) == messages[i].message);
    }
    return 0;
}
