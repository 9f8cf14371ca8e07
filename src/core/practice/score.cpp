// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/practice/score.h"

#include <algorithm>
#include <cmath>

namespace kelodi {

namespace {

double delayOf(const RecordingEvents& events, std::size_t index)
{
    // As the player waits: a negative or non-finite delay counts as none.
    const double delay = events[index].delay;
    return std::isfinite(delay) && delay > 0 ? delay : 0.0;
}

}  // namespace

int pressedKey(const RecordingEvents& events, std::size_t index)
{
    return index < events.size() ? events[index].pressedKey() : -1;
}

std::optional<std::size_t> nextPress(const RecordingEvents& events, std::size_t from)
{
    for (std::size_t i = from; i < events.size(); ++i) {
        if (events[i].pressedKey() >= 0)
            return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> Score::noteSymbol(std::size_t event) const
{
    // Notes are in event order.
    const auto after = std::upper_bound(notes.begin(), notes.end(), event,
                                        [](std::size_t e, const ScoreNote& note) { return e < note.event; });
    if (after == notes.begin())
        return std::nullopt;
    const auto note = std::prev(after);
    if (event > note->lastEvent)
        return std::nullopt;
    return static_cast<std::size_t>(note - notes.begin());
}

ChordPresses chordAt(const RecordingEvents& events, std::size_t first)
{
    ChordPresses chord;
    chord.end = first;
    if (pressedKey(events, first) < 0)
        return chord;
    chord.keys.push_back(pressedKey(events, first));
    chord.end = first + 1;
    double since = 0;
    for (std::size_t i = first + 1; i < events.size(); ++i) {
        since += delayOf(events, i);
        const KeyEvent& event = events[i];
        if (since > ChordOnsetSpread || event.isReleaseAll())
            break;
        if (event.pressedKey() >= 0) {
            chord.keys.push_back(pressedKey(events, i));
            chord.end = i + 1;
        }
    }
    std::sort(chord.keys.begin(), chord.keys.end());
    chord.keys.erase(std::unique(chord.keys.begin(), chord.keys.end()), chord.keys.end());
    return chord;
}

std::size_t countPresses(const RecordingEvents& events)
{
    return static_cast<std::size_t>(
        std::count_if(events.begin(), events.end(), [](const KeyEvent& e) { return e.pressedKey() >= 0; }));
}

Score buildScore(const RecordingEvents& events, std::size_t maxNotes)
{
    Score score;
    double time = 0;
    for (std::size_t i = 0; i < events.size(); ++i) {
        time += delayOf(events, i);
        const KeyEvent& event = events[i];
        if (event.isReleaseAll()) {
            if (!score.notes.empty() && !score.notes.back().release)
                score.notes.back().release = time;
            continue;
        }
        if (event.pressedKey() < 0)
            continue;
        // The first note past the cap tells the score is cut; the events
        // after it are not read.
        if (score.notes.size() == maxNotes) {
            score.cut = true;
            break;
        }
        ChordPresses chord = chordAt(events, i);
        ScoreNote note{i, chord.end - 1, std::move(chord.keys), time, std::nullopt};
        // The chord's other presses come within ChordOnsetSpread; their
        // delays still count towards the time of what follows.
        for (std::size_t j = i + 1; j < chord.end; ++j)
            time += delayOf(events, j);
        i = chord.end - 1;
        score.notes.push_back(std::move(note));
    }
    score.noteCount = score.notes.size();
    return score;
}

}  // namespace kelodi
