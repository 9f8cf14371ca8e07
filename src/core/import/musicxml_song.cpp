// SPDX-License-Identifier: GPL-3.0-or-later
// Plays a MusicXML score out into an ImportedSong: measure layout, the order
// of repeats and jumps, the tempo map, ties.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "core/import/musicxml_score.h"

namespace kelodi {

namespace {

// Positions are counted in quarter notes. Durations are whole numbers of
// divisions, so positions that meet in the file meet here up to rounding.
constexpr double Tolerance = 1e-6;
constexpr double DefaultQuarterBpm = 120;
constexpr int DefaultVelocity = 80;
// Faster or slower marks are typing errors or hostile; they are passed over.
constexpr double MinQuarterBpm = 1;
constexpr double MaxQuarterBpm = 10'000;
// How long an acciaccatura sounds, as notation programs play it.
constexpr double AcciaccaturaSeconds = 0.065;

// A grace note, waiting for the note it ornaments.
struct PlacedGrace {
    int pitch = 60;
    int velocity = DefaultVelocity;
    bool slash = false;
    double quarters = 0;  // written value
    bool chord = false;   // sounds with the grace note before it
};
using GraceGroup = std::vector<PlacedGrace>;

// A note of one measure, at its place in the measure.
struct PlacedNote {
    double offset = 0;  // quarters from the measure's start
    double length = 0;  // quarters, > 0
    int pitch = 60;     // sounding
    int velocity = DefaultVelocity;
    int voice = 1;
    bool tieStart = false;
    bool tieStop = false;
    int graces = -1;           // the measure's grace group before this note's chord, -1 = none
    bool leadsGraces = false;  // the first note of that chord, which plays the grace notes
};

struct PlacedTempo {
    double offset = 0;
    double quarterBpm = DefaultQuarterBpm;
};

struct LaidOutMeasure {
    std::vector<PlacedNote> notes;
    std::vector<GraceGroup> graceGroups;
    double length = 0;  // the furthest place any note, rest or forward reached
};

struct LaidOutPart {
    std::vector<LaidOutMeasure> measures;
    bool percussion = false;
    std::optional<KeySignature> firstKey;  // at concert pitch
    std::size_t firstKeyMeasure = 0;
};

// The marks of all parts together: one part may carry a repeat sign the
// others lack.
struct MeasureMarks {
    bool repeatForward = false;
    int repeatBackward = 0;
    std::vector<int> endingStart;
    bool endingStop = false;
    std::vector<std::string> segno, coda, toCoda, dalSegno;
    bool daCapo = false;
    bool fine = false;
};

int velocityOf(double percent)
{
    if (!(percent >= 0))
        return DefaultVelocity;
    // MusicXML counts loudness in percent of forte, which is velocity 90.
    const double velocity = std::round(std::min(percent, 1000.0) * 0.9);
    return static_cast<int>(std::clamp(velocity, 1.0, 127.0));
}

// The key that sounds when a part written in `written` sounds `semitones`
// away: each semitone up adds seven fifths.
KeySignature concertKey(KeySignature written, int semitones)
{
    int shift = ((semitones % 12) * 7 % 12 + 12) % 12;
    if (shift > 6)
        shift -= 12;
    int fifths = written.fifths + shift;
    while (fifths > 7)
        fifths -= 12;
    while (fifths < -7)
        fifths += 12;
    return {fifths, written.minor};
}

LaidOutPart layOut(const MusicXmlPart& part, std::vector<std::vector<PlacedTempo>>& tempos)
{
    LaidOutPart laid;
    laid.percussion = part.channel == 9;
    laid.measures.resize(part.measures.size());
    int divisions = 1;
    int transpose = 0;
    double partDynamics = -1;
    for (std::size_t m = 0; m < part.measures.size(); ++m) {
        LaidOutMeasure& out = laid.measures[m];
        double cursor = 0;
        double lastStart = 0;
        double furthest = 0;
        GraceGroup pendingGraces;
        int pendingVoice = 0;
        int chordGraces = -1;  // the grace group of the chord being read
        for (const MusicXmlEvent& event : part.measures[m].events) {
            if (const auto* d = std::get_if<MusicXmlDivisions>(&event)) {
                if (d->perQuarter > 0)
                    divisions = d->perQuarter;
            } else if (const auto* t = std::get_if<MusicXmlTranspose>(&event)) {
                transpose = std::clamp(t->semitones, -127, 127);
            } else if (const auto* dyn = std::get_if<MusicXmlDynamics>(&event)) {
                if (dyn->percent >= 0)
                    partDynamics = dyn->percent;
            } else if (const auto* tempo = std::get_if<MusicXmlTempo>(&event)) {
                if (tempo->quarterBpm >= MinQuarterBpm && tempo->quarterBpm <= MaxQuarterBpm)
                    tempos[m].push_back({cursor, tempo->quarterBpm});
            } else if (const auto* back = std::get_if<MusicXmlBackup>(&event)) {
                cursor = std::max(0.0, cursor - std::max(0, back->duration) / static_cast<double>(divisions));
            } else if (const auto* forward = std::get_if<MusicXmlForward>(&event)) {
                cursor += std::max(0, forward->duration) / static_cast<double>(divisions);
                furthest = std::max(furthest, cursor);
            } else if (const auto* note = std::get_if<MusicXmlNote>(&event)) {
                const int sounding = note->unpitched || note->pitch < 0 ? note->pitch : note->pitch + transpose;
                const int velocity = velocityOf(note->dynamics >= 0 ? note->dynamics : partDynamics);
                // Grace notes take no written time: they wait for the note
                // they ornament, which lends them time when it plays.
                if (note->grace) {
                    if (pendingGraces.empty() || pendingVoice != note->voice)
                        pendingGraces.clear();
                    pendingVoice = note->voice;
                    if (!note->cue && sounding >= 0 && sounding <= 127)
                        pendingGraces.push_back({sounding, velocity, note->slash,
                                                 std::clamp(note->graceQuarters, 0.0, 16.0), note->chord});
                    continue;
                }
                if (!note->chord) {
                    chordGraces = -1;
                    if (!pendingGraces.empty() && pendingVoice == note->voice) {
                        chordGraces = static_cast<int>(out.graceGroups.size());
                        out.graceGroups.push_back(std::move(pendingGraces));
                    }
                    pendingGraces.clear();
                }
                const double length = std::max(0, note->duration) / static_cast<double>(divisions);
                const double start = note->chord ? lastStart : cursor;
                if (!note->chord) {
                    lastStart = cursor;
                    cursor += length;
                }
                furthest = std::max({furthest, cursor, start + length});
                if (note->rest || note->cue || note->pitch < 0 || length <= 0)
                    continue;
                if (note->unpitched)
                    laid.percussion = true;
                if (sounding < 0 || sounding > 127)
                    continue;
                PlacedNote placed;
                placed.offset = start;
                placed.length = length;
                placed.pitch = sounding;
                placed.velocity = velocity;
                placed.voice = note->voice;
                placed.tieStart = note->tieStart;
                placed.tieStop = note->tieStop;
                placed.graces = chordGraces;
                placed.leadsGraces = !note->chord;
                out.notes.push_back(placed);
            }
        }
        out.length = furthest;
        // The key is read before the transposition in the same attributes,
        // so it is turned to concert pitch once the measure is through.
        if (!laid.firstKey && part.measures[m].key) {
            laid.firstKey = concertKey(*part.measures[m].key, transpose);
            laid.firstKeyMeasure = m;
        }
    }
    return laid;
}

void addUnique(std::vector<std::string>& to, const std::vector<std::string>& from)
{
    for (const std::string& name : from)
        if (std::find(to.begin(), to.end(), name) == to.end())
            to.push_back(name);
}

std::vector<MeasureMarks> mergedMarks(const MusicXmlScore& score, std::size_t measureCount)
{
    std::vector<MeasureMarks> marks(measureCount);
    for (const MusicXmlPart& part : score.parts) {
        for (std::size_t m = 0; m < part.measures.size(); ++m) {
            const MusicXmlMeasure& in = part.measures[m];
            MeasureMarks& out = marks[m];
            out.repeatForward = out.repeatForward || in.repeatForward;
            out.repeatBackward = std::max(out.repeatBackward, std::clamp(in.repeatBackward, 0, MaxRepeatPasses));
            for (int number : in.endingStart)
                if (std::find(out.endingStart.begin(), out.endingStart.end(), number) == out.endingStart.end())
                    out.endingStart.push_back(number);
            out.endingStop = out.endingStop || in.endingStop;
            addUnique(out.segno, in.segno);
            addUnique(out.coda, in.coda);
            addUnique(out.toCoda, in.toCoda);
            addUnique(out.dalSegno, in.dalSegno);
            out.daCapo = out.daCapo || in.daCapo;
            out.fine = out.fine || in.fine;
        }
    }
    return marks;
}

bool contains(const std::vector<int>& numbers, int number)
{
    return std::find(numbers.begin(), numbers.end(), number) != numbers.end();
}

bool sharesName(const std::vector<std::string>& a, const std::vector<std::string>& b)
{
    for (const std::string& name : a)
        if (std::find(b.begin(), b.end(), name) != b.end())
            return true;
    return false;
}

// The measures in the order they play, or nothing when that order is longer
// than MaxPlayedMeasures.
std::optional<std::vector<std::size_t>> playOrder(const std::vector<MeasureMarks>& marks)
{
    const std::size_t n = marks.size();
    // Each ending runs from its start to its stop, to a repeat back, or to
    // the start of the next ending, whichever comes first. endingNumbers
    // holds the passes of the ending a measure belongs to.
    std::vector<std::size_t> endingEnd(n, 0);
    std::vector<std::vector<int>> endingNumbers(n);
    for (std::size_t m = 0; m < n; ++m) {
        if (marks[m].endingStart.empty())
            continue;
        std::size_t last = m;
        while (last + 1 < n && !marks[last].endingStop && marks[last].repeatBackward == 0 &&
               marks[last + 1].endingStart.empty())
            ++last;
        endingEnd[m] = last;
        for (std::size_t q = m; q <= last; ++q)
            endingNumbers[q] = marks[m].endingStart;
        m = last;
    }

    std::vector<std::size_t> order;
    std::vector<bool> jumped(n, false);
    std::size_t pos = 0;
    std::size_t sectionStart = 0;
    int pass = 1;
    bool afterJump = false;      // a dacapo or dalsegno was taken
    bool cameBackHere = false;   // pos is the start of a section that repeats
    while (pos < n) {
        if (order.size() >= MaxPlayedMeasures)
            return std::nullopt;
        const MeasureMarks& mark = marks[pos];
        if (mark.repeatForward && !cameBackHere) {
            sectionStart = pos;
            pass = 1;
        }
        cameBackHere = false;
        if (!mark.endingStart.empty()) {
            // After a jump the ending that does not lead back is the one
            // that plays.
            const bool plays = afterJump ? marks[endingEnd[pos]].repeatBackward == 0 : contains(mark.endingStart, pass);
            if (!plays) {
                pos = endingEnd[pos] + 1;
                continue;
            }
        }
        order.push_back(pos);

        if (mark.repeatBackward > 0 && !afterJump) {
            int passes = mark.repeatBackward;
            // An ending for passes 1 and 2 that leads back makes three passes.
            for (int number : endingNumbers[pos])
                passes = std::max(passes, number + 1);
            if (pass < std::min(passes, MaxRepeatPasses)) {
                ++pass;
                pos = sectionStart;
                cameBackHere = true;
                continue;
            }
            pass = 1;
            sectionStart = pos + 1;
        } else if (!endingNumbers[pos].empty() && endingEnd[pos] == pos) {
            // The last ending is through: what follows is a new section.
            pass = 1;
            sectionStart = pos + 1;
        }

        if (!afterJump) {
            if (mark.daCapo && !jumped[pos]) {
                jumped[pos] = true;
                afterJump = true;
                pos = sectionStart = 0;
                pass = 1;
                continue;
            }
            if (!mark.dalSegno.empty() && !jumped[pos]) {
                std::size_t target = 0;
                while (target < n && !sharesName(marks[target].segno, mark.dalSegno))
                    ++target;
                if (target < n) {
                    jumped[pos] = true;
                    afterJump = true;
                    pos = sectionStart = target;
                    pass = 1;
                    continue;
                }
            }
        } else {
            if (!mark.toCoda.empty()) {
                std::size_t target = pos + 1;
                while (target < n && !sharesName(marks[target].coda, mark.toCoda))
                    ++target;
                if (target < n) {
                    pos = sectionStart = target;
                    pass = 1;
                    continue;
                }
            }
            if (mark.fine)
                break;
        }
        ++pos;
    }
    return order;
}

// Seconds at each place of the played song, from its tempo changes.
class TempoLine {
public:
    void change(double quarter, double quarterBpm)
    {
        const double secondsPerQuarter = 60.0 / quarterBpm;
        if (!m_segments.empty() && m_segments.back().quarter >= quarter - Tolerance) {
            m_segments.back().secondsPerQuarter = secondsPerQuarter;
            return;
        }
        const double seconds = m_segments.empty() ? 0.0 : secondsAt(quarter);
        m_segments.push_back({quarter, seconds, secondsPerQuarter});
    }

    double secondsAt(double quarter) const
    {
        auto after = std::upper_bound(m_segments.begin(), m_segments.end(), quarter,
                                      [](double q, const Segment& s) { return q < s.quarter; });
        const Segment& s = after == m_segments.begin() ? *after : *(after - 1);
        return s.seconds + (quarter - s.quarter) * s.secondsPerQuarter;
    }

    double firstSecondsPerQuarter() const { return m_segments.front().secondsPerQuarter; }

private:
    struct Segment {
        double quarter;
        double seconds;
        double secondsPerQuarter;
    };
    std::vector<Segment> m_segments;
};

// A note of the played song, still in quarters.
struct PlayedNote {
    double start = 0;
    double end = 0;
    double ownEnd = 0;  // the end before ties joined it to other notes
    int pitch = 60;
    int velocity = DefaultVelocity;
    int voice = 1;
    bool tieStart = false;
    bool tieStop = false;
    const GraceGroup* graces = nullptr;
    bool leadsGraces = false;
};

// Joins each note that ends a tie to the note it is tied from: a note of the
// same pitch that starts a tie and ends where this one starts. `notes` are by
// start; the joined note keeps the voice and velocity of its first note.
std::vector<PlayedNote> joinTies(const std::vector<PlayedNote>& notes)
{
    std::vector<PlayedNote> joined;
    joined.reserve(notes.size());
    std::vector<std::size_t> open;  // notes of `joined` whose tie is still open
    for (const PlayedNote& note : notes) {
        std::erase_if(open, [&](std::size_t i) { return joined[i].end < note.start - Tolerance; });
        if (note.tieStop) {
            auto from = std::find_if(open.begin(), open.end(), [&](std::size_t i) {
                return joined[i].pitch == note.pitch && std::abs(joined[i].end - note.start) <= Tolerance;
            });
            if (from != open.end()) {
                joined[*from].end = note.end;
                if (!note.tieStart)
                    open.erase(from);
                continue;
            }
        }
        joined.push_back(note);
        if (note.tieStart)
            open.push_back(joined.size() - 1);
    }
    return joined;
}

// A played note in seconds, with the grace notes before it: they take
// their time from its start.
void playInSeconds(const PlayedNote& n, const TempoLine& tempo, std::vector<std::pair<int, ImportedNote>>& out)
{
    double start = tempo.secondsAt(n.start);
    const double end = tempo.secondsAt(n.end);
    if (n.graces && !n.graces->empty()) {
        const GraceGroup& graces = *n.graces;
        double written = 0;
        std::size_t slots = 0;
        for (const PlacedGrace& g : graces) {
            if (!g.chord) {
                written += g.quarters;
                ++slots;
            }
        }
        const double room = (tempo.secondsAt(n.ownEnd) - start) / 2;
        const double wanted = graces.front().slash || written <= 0
                                  ? AcciaccaturaSeconds * static_cast<double>(slots)
                                  : tempo.secondsAt(n.start + written) - start;
        const double total = std::max(0.0, std::min(wanted, room));
        if (n.leadsGraces && total > 0) {
            double at = start;
            double length = 0;
            for (const PlacedGrace& g : graces) {
                if (!g.chord) {
                    at += length;
                    const bool even = graces.front().slash || written <= 0;
                    length = total * (even ? 1.0 / static_cast<double>(slots) : g.quarters / written);
                }
                if (length > 0)
                    out.push_back({n.voice, {at, at + length, g.pitch, g.velocity}});
            }
        }
        start += total;
    }
    if (end > start)
        out.push_back({n.voice, {start, end, n.pitch, n.velocity}});
}

ImportedPart songPart(const MusicXmlPart& part, int track, int voice, bool percussion)
{
    ImportedPart out;
    out.name = part.name;
    out.instrument = part.instrument;
    out.program = part.program >= 0 && part.program <= 127 ? part.program : -1;
    out.channel = part.channel >= 0 && part.channel <= 15 ? part.channel : -1;
    out.percussion = percussion;
    out.track = track;
    out.voice = voice;
    return out;
}

}  // namespace

int musicXmlPitch(char step, double alter, int octave)
{
    static constexpr int StepSemitones[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    if (step < 'A' || step > 'G' || !std::isfinite(alter) || std::abs(alter) > 12 || octave < -1 || octave > 10)
        return -1;
    const int pitch = (octave + 1) * 12 + StepSemitones[step - 'A'] + static_cast<int>(std::lround(alter));
    return pitch >= 0 && pitch <= 127 ? pitch : -1;
}

ImportedSong musicXmlSong(const MusicXmlScore& score)
{
    std::size_t measureCount = 0;
    for (const MusicXmlPart& part : score.parts)
        measureCount = std::max(measureCount, part.measures.size());

    std::vector<std::vector<PlacedTempo>> tempos(measureCount);
    std::vector<LaidOutPart> laid;
    laid.reserve(score.parts.size());
    for (const MusicXmlPart& part : score.parts)
        laid.push_back(layOut(part, tempos));

    ImportedSong song;
    song.title = score.title;

    // Each measure as long as its longest part; an empty one as long as its
    // time signature.
    std::vector<double> lengths(measureCount, 0);
    std::optional<TimeSignature> time;
    for (std::size_t m = 0; m < measureCount; ++m) {
        std::optional<TimeSignature> changed;
        for (std::size_t p = 0; p < score.parts.size(); ++p) {
            if (m >= laid[p].measures.size())
                continue;
            lengths[m] = std::max(lengths[m], laid[p].measures[m].length);
            if (!changed)
                changed = score.parts[p].measures[m].time;
        }
        if (changed) {
            time = changed;
            if (!song.time)
                song.time = changed;
        }
        if (lengths[m] <= Tolerance)
            lengths[m] = time ? time->beats * 4.0 / time->unit : 4.0;
    }

    // The first key, from a part that is not percussion if there is one.
    for (bool drums : {false, true}) {
        for (const LaidOutPart& part : laid)
            if (!song.key && part.firstKey && part.percussion == drums)
                song.key = part.firstKey;
    }

    const std::optional<std::vector<std::size_t>> order = playOrder(mergedMarks(score, measureCount));
    if (!order)
        return failedImport(ImportProblem::TooManyElements,
                            "the repeats play more than " + std::to_string(MaxPlayedMeasures) + " measures");

    std::vector<double> barStart(order->size());
    TempoLine tempo;
    tempo.change(0, DefaultQuarterBpm);
    double quarter = 0;
    for (std::size_t k = 0; k < order->size(); ++k) {
        const std::size_t m = (*order)[k];
        barStart[k] = quarter;
        std::vector<PlacedTempo> marks = tempos[m];
        std::stable_sort(marks.begin(), marks.end(),
                         [](const PlacedTempo& a, const PlacedTempo& b) { return a.offset < b.offset; });
        for (const PlacedTempo& mark : marks)
            tempo.change(quarter + std::min(mark.offset, lengths[m]), mark.quarterBpm);
        quarter += lengths[m];
    }
    const double quarterSeconds = tempo.firstSecondsPerQuarter();
    song.beatSeconds = quarterSeconds * (song.time ? 4.0 / song.time->unit : 1.0);
    song.barStarts.reserve(barStart.size());
    for (double q : barStart)
        song.barStarts.push_back(tempo.secondsAt(q));

    std::size_t noteCount = 0;
    for (std::size_t p = 0; p < laid.size(); ++p) {
        std::vector<PlayedNote> played;
        for (std::size_t k = 0; k < order->size(); ++k) {
            const std::size_t m = (*order)[k];
            if (m >= laid[p].measures.size())
                continue;
            const std::vector<PlacedNote>& notes = laid[p].measures[m].notes;
            noteCount += notes.size();
            if (noteCount > MaxImportNotes)
                return failedImport(ImportProblem::TooManyElements, "the repeats play more than " +
                                                                        std::to_string(MaxImportNotes) + " notes");
            for (const PlacedNote& n : notes) {
                const double start = barStart[k] + n.offset;
                const GraceGroup* graces = n.graces >= 0 ? &laid[p].measures[m].graceGroups[n.graces] : nullptr;
                played.push_back({start, start + n.length, start + n.length, n.pitch, n.velocity, n.voice,
                                  n.tieStart, n.tieStop, graces, n.leadsGraces});
            }
        }
        std::stable_sort(played.begin(), played.end(),
                         [](const PlayedNote& a, const PlayedNote& b) { return a.start < b.start; });
        const std::vector<PlayedNote> joined = joinTies(played);

        std::vector<std::pair<int, ImportedNote>> timed;  // voice, note
        for (const PlayedNote& n : joined)
            playInSeconds(n, tempo, timed);

        std::vector<int> voices;
        for (const auto& [voice, note] : timed)
            if (std::find(voices.begin(), voices.end(), voice) == voices.end())
                voices.push_back(voice);
        std::sort(voices.begin(), voices.end());
        const int track = static_cast<int>(p) + 1;
        for (int voice : voices) {
            ImportedPart out = songPart(score.parts[p], track, voices.size() > 1 ? voice : 0, laid[p].percussion);
            for (const auto& [noteVoice, note] : timed)
                if (noteVoice == voice)
                    out.notes.push_back(note);
            sortNotes(out.notes);
            song.parts.push_back(std::move(out));
        }
    }
    return song;
}

}  // namespace kelodi
