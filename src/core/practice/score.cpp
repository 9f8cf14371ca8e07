// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/practice/score.h"

#include <algorithm>
#include <cmath>

namespace kelodi {

namespace {

// Presses closer than this are one chord struck by hand, not a beat apart.
constexpr double SimultaneousPresses = 0.001;

double delayOf(const RecordingEvents& events, std::size_t index)
{
    // As the player waits: a negative or non-finite delay counts as none.
    const double delay = events[index].delay;
    return std::isfinite(delay) && delay > 0 ? delay : 0.0;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    const std::size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle), values.end());
    const double upper = values[middle];
    if (values.size() % 2 == 1)
        return upper;
    const double lower = *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle));
    return (lower + upper) / 2;
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
    // Symbols are in event order.
    const auto it = std::lower_bound(symbols.begin(), symbols.end(), event,
                                     [](const ScoreSymbol& s, std::size_t e) { return s.event < e; });
    for (auto i = it; i != symbols.end() && i->event == event; ++i) {
        if (!i->isRest())
            return static_cast<std::size_t>(i - symbols.begin());
    }
    return std::nullopt;
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
    struct Press {
        std::size_t event;
        double time;
        std::optional<std::size_t> release;  // first release after it, before the next press
        double releaseTime;
    };
    Score score;
    std::vector<Press> presses;
    double time = 0;
    for (std::size_t i = 0; i < events.size(); ++i) {
        time += delayOf(events, i);
        const KeyEvent& event = events[i];
        if (event.pressedKey() >= 0) {
            // The first press past the cap tells the score is cut; the events
            // after it are not read.
            if (presses.size() == maxNotes) {
                score.cut = true;
                break;
            }
            presses.push_back({i, time, std::nullopt, 0});
        } else if (event.isReleaseAll() && !presses.empty() && !presses.back().release) {
            presses.back().release = i;
            presses.back().releaseTime = time;
        }
    }

    score.noteCount = presses.size();
    std::vector<double> spacings;
    for (std::size_t i = 1; i < presses.size(); ++i) {
        const double spacing = presses[i].time - presses[i - 1].time;
        if (spacing >= SimultaneousPresses)
            spacings.push_back(spacing);
    }
    score.beat = median(std::move(spacings));

    for (std::size_t i = 0; i < presses.size(); ++i) {
        const Press& press = presses[i];
        score.symbols.push_back({press.event, pressedKey(events, press.event)});
        if (i + 1 == presses.size() || !press.release || score.beat <= 0)
            continue;
        const double pause = presses[i + 1].time - press.releaseTime;
        if (pause < score.beat / 2)
            continue;
        const long beats = std::clamp(std::lround(pause / score.beat), 1L, static_cast<long>(MaxRestsInARow));
        for (long r = 0; r < beats; ++r)
            score.symbols.push_back({*press.release, -1});
    }
    return score;
}

std::vector<ScoreLine> layoutScore(const Score& score, std::size_t symbolsPerLine)
{
    const std::size_t width = std::max<std::size_t>(symbolsPerLine, 1);
    const std::size_t size = score.symbols.size();
    std::vector<ScoreLine> lines;
    std::size_t first = 0;
    while (first < size) {
        std::size_t end = std::min(first + width, size);
        if (end < size) {
            // The last quarter of the line, at least its last symbol.
            const std::size_t earliest = first + width - std::max<std::size_t>(width / 4, 1);
            for (std::size_t candidate = end; candidate > earliest; --candidate) {
                if (score.symbols[candidate - 1].isRest() && !score.symbols[candidate].isRest()) {
                    end = candidate;
                    break;
                }
            }
        }
        lines.push_back({first, end - first});
        first = end;
    }
    return lines;
}

}  // namespace kelodi
