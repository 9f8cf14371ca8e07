// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "core/fakes/recording_midi.h"
#include "core/import/part_choice.h"
#include "core/import/part_preview.h"
#include "core/midi/midi_port.h"
#include "core/recording/clock.h"
#include "core/recording/playback_scheduler.h"

namespace kelodi {
namespace {

ImportedPart partOf(std::vector<ImportedNote> notes, int channel = 0, const std::string& name = {})
{
    ImportedPart part;
    part.name = name;
    part.channel = channel;
    part.percussion = channel == 9;
    part.notes = std::move(notes);
    sortNotes(part.notes);
    return part;
}

// Quarter notes of half a second on `pitches`, `size` notes to a chord.
std::vector<ImportedNote> notesOf(const std::vector<int>& pitches, int size = 1)
{
    std::vector<ImportedNote> notes;
    double at = 0;
    for (int pitch : pitches) {
        for (int k = 0; k < size; ++k)
            notes.push_back({at, at + 0.5, pitch - 4 * k, 80});
        at += 0.5;
    }
    return notes;
}

TEST(PartChoice, TheGuessIsPreselectedAndTheKeyMoveTickedWhenTheSongHasOne)
{
    ImportedSong song;
    // An accompaniment with more notes comes first; the melody second.
    song.parts.push_back(partOf(notesOf({48, 53, 55, 48, 53, 55, 48, 48}, 3), 1, "Chords"));
    song.parts.push_back(partOf(notesOf({74, 76, 78, 79, 81, 79, 78, 76}), 0, "Melody"));
    const std::optional<PartChoice> choice = defaultPartChoice(song);
    ASSERT_TRUE(choice);
    EXPECT_EQ(*choice, (PartChoice{1, true, true}));
    EXPECT_EQ(melodySourceOf(*choice).part, 1u);
    EXPECT_EQ(melodySourceOf(*choice).transposition.mode, Transposition::Mode::Auto);
    EXPECT_EQ(melodySourceOf(PartChoice{1, false, true}).transposition.mode, Transposition::Mode::Keep);

    // Drums only: nothing to take, but the part is there to choose.
    ImportedSong drums;
    drums.parts.push_back(partOf(notesOf({36, 38}), 9));
    ASSERT_TRUE(defaultPartChoice(drums));
    EXPECT_EQ(defaultPartChoice(drums)->part, 0u);
    EXPECT_FALSE(defaultPartChoice(ImportedSong{}));
}

TEST(PartPreview, PlaysTheFirstEightSecondsAndCutsWhatSoundsOnBeyond)
{
    ImportedPart part = partOf({{1.0, 2.0, 60, 90}, {1.0, 12.0, 64, 70}, {8.5, 9.0, 67, 80}, {9.2, 9.5, 72, 80}});
    EXPECT_EQ(previewMessages(part, 3),
              (std::vector<TimedMessage>{{0.0, packShortMessage(MidiKind::NoteOn, 3, 60, 90)},
                                         {0.0, packShortMessage(MidiKind::NoteOn, 3, 64, 70)},
                                         {1.0, noteOffMessage(3, 60)},
                                         {7.5, packShortMessage(MidiKind::NoteOn, 3, 67, 80)},
                                         {8.0, noteOffMessage(3, 64)},
                                         {8.0, noteOffMessage(3, 67)}}));
    // Drums on the percussion channel, whatever the panel's channel.
    part.percussion = true;
    EXPECT_EQ(previewMessages(part, 3).front().message, packShortMessage(MidiKind::NoteOn, 9, 60, 90));
}

class ManualScheduler : public PlaybackScheduler {
public:
    void callAt(double dueTime, std::function<void()> due) override
    {
        this->dueTime = dueTime;
        this->due = std::move(due);
    }
    void cancel() override { due = nullptr; }
    // Moves the clock to each due time before `until` and runs what is due.
    void runUntil(ManualClock& clock, double until)
    {
        while (due && dueTime <= until) {
            clock.set(dueTime);
            auto call = std::move(due);
            due = nullptr;
            call();
        }
        clock.set(until);
    }
    double dueTime = 0;
    std::function<void()> due;
};

TEST(PartPreview, StoppingOrStartingAgainLeavesNoNoteSounding)
{
    test::RecordingDeviceList devices;
    MidiPort port(devices);
    port.open(MidiMapperId);
    ManualScheduler scheduler;
    ManualClock clock(100);
    std::vector<ShortMessage>& sent = devices.journal.messages;
    const ImportedPart part = partOf({{0, 1, 60, 80}, {0.5, 3, 67, 80}, {0.5, 3, 67, 80}, {2, 4, 72, 80}});
    {
        PartPreview preview(port, scheduler, clock);
        preview.start(part, 0);
        scheduler.runUntil(clock, 100.6);
        EXPECT_TRUE(preview.isPlaying());
        EXPECT_EQ(sent, (std::vector<ShortMessage>{packShortMessage(MidiKind::NoteOn, 0, 60, 80),
                                                   packShortMessage(MidiKind::NoteOn, 0, 67, 80),
                                                   packShortMessage(MidiKind::NoteOn, 0, 67, 80)}));
        sent.clear();
        // Another row's preview: the notes still on end first, each as often
        // as it was started.
        preview.start(partOf({{0, 1, 50, 80}}), 0);
        EXPECT_EQ(sent, (std::vector<ShortMessage>{noteOffMessage(0, 60), noteOffMessage(0, 67), noteOffMessage(0, 67)}));
        sent.clear();
        scheduler.runUntil(clock, 100.7);
        EXPECT_EQ(sent, std::vector<ShortMessage>{packShortMessage(MidiKind::NoteOn, 0, 50, 80)});
        sent.clear();
        preview.stop();
        EXPECT_FALSE(preview.isPlaying());
        EXPECT_EQ(sent, std::vector<ShortMessage>{noteOffMessage(0, 50)});
        EXPECT_FALSE(scheduler.due);
        sent.clear();
        preview.start(part, 0);
        scheduler.runUntil(clock, 100.8);
    }
    // Closing the dialog (the preview goes) ends what it started.
    EXPECT_EQ(sent, (std::vector<ShortMessage>{packShortMessage(MidiKind::NoteOn, 0, 60, 80), noteOffMessage(0, 60)}));
}

}  // namespace
}  // namespace kelodi
