// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/import/melody_finder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace kelodi {

namespace {

// Words that name a part for what it does. Latin words are matched without
// regard to case; the short ones ("rh", "lh") only as words of their own.
// A word of both lists in one name ("Melody & Chords") says nothing.
struct NameWord {
    std::string_view word;
    bool wholeWord;
};
constexpr std::array MelodyWords = {
    NameWord{"melod", false},  NameWord{"mélod", false},  NameWord{"lead", false},   NameWord{"vocal", false},
    NameWord{"voice", false},  NameWord{"vox", true},     NameWord{"sing", false},   NameWord{"soprano", false},
    NameWord{"solo", false},   NameWord{"theme", false},  NameWord{"right hand", false}, NameWord{"rh", true},
    NameWord{"r.h.", false},   NameWord{"旋律", false},   NameWord{"主音", false},   NameWord{"人声", false},
    NameWord{"独唱", false},   NameWord{"领唱", false},   NameWord{"演唱", false},   NameWord{"右手", false},
};
constexpr std::array AccompanimentWords = {
    NameWord{"bass", false},   NameWord{"chord", false},  NameWord{"accomp", false}, NameWord{"drum", false},
    NameWord{"perc", false},   NameWord{"left hand", false}, NameWord{"lh", true},    NameWord{"l.h.", false},
    NameWord{"pad", true},     NameWord{"harmon", false}, NameWord{"backing", false}, NameWord{"rhythm", false},
    NameWord{"comp", true},    NameWord{"伴奏", false},   NameWord{"和弦", false},   NameWord{"和声", false},
    NameWord{"贝司", false},   NameWord{"贝斯", false},   NameWord{"低音", false},   NameWord{"鼓", false},
    NameWord{"打击", false},   NameWord{"左手", false},   NameWord{"节奏", false},
};
// Names that hold an accompaniment word but name a solo instrument.
constexpr std::array<std::string_view, 2> NotAccompaniment = {"bassoon", "basson"};

// How much each kind of evidence weighs. A name is the player's or the
// arranger's own word and outweighs the rest; the pitch counts per octave
// below the highest part, so a voice a fourth lower loses against the
// soprano but a melody an octave lower can still win by moving like one.
constexpr double NameWeight = 3.0;
constexpr double LeadProgramWeight = 0.5;
constexpr double AccompanimentProgramWeight = 1.0;
constexpr double PitchWeightPerOctave = 2.5;
constexpr double PolyphonyWeight = 2.0;
constexpr double StepWeight = 1.0;
constexpr double RepeatWeight = 1.0;
constexpr double CoverageWeight = 2.0;
constexpr double FullCoverage = 0.5;  // sounding half the song is as much as a melody with rests needs
constexpr double NoteShareWeight = 1.5;
constexpr double FullNoteShare = 0.3;

std::string lowerAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool isWordCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

template <std::size_t N>
std::string_view findWord(const std::string& text, const std::array<NameWord, N>& words)
{
    for (const NameWord& entry : words) {
        for (std::size_t at = text.find(entry.word); at != std::string::npos; at = text.find(entry.word, at + 1)) {
            const std::size_t end = at + entry.word.size();
            const bool alone = (at == 0 || !isWordCharacter(text[at - 1])) &&
                               (end >= text.size() || !isWordCharacter(text[end]));
            if (!entry.wholeWord || alone)
                return entry.word;
        }
    }
    return {};
}

void judgeName(const ImportedPart& part, PartEvidence& evidence)
{
    for (const std::string* name : {&part.name, &part.instrument}) {
        std::string text = lowerAscii(*name);
        for (std::string_view solo : NotAccompaniment)
            for (std::size_t at = text.find(solo); at != std::string::npos; at = text.find(solo))
                text.replace(at, solo.size(), " ");
        const std::string_view melody = findWord(text, MelodyWords);
        const std::string_view accompaniment = findWord(text, AccompanimentWords);
        if (!melody.empty() && accompaniment.empty()) {
            evidence.nameVote = 1;
            evidence.nameWord = *name;
            return;
        }
        if (melody.empty() && !accompaniment.empty()) {
            evidence.nameVote = -1;
            evidence.nameWord = *name;
            return;
        }
    }
}

// General MIDI programs by the role they mostly play.
int programVote(int program)
{
    if (program < 0)
        return 0;
    const bool bass = program >= 32 && program <= 39;       // acoustic to synth bass
    const bool low = program == 43 || program == 58;        // contrabass, tuba
    const bool pad = program >= 88 && program <= 95;        // synth pads
    const bool ensemble = program >= 48 && program <= 51;   // string ensembles
    if (bass || low || pad || ensemble)
        return -1;
    const bool solo = program == 40 || program == 56 || (program >= 64 && program <= 69) ||
                      (program >= 71 && program <= 79) || (program >= 80 && program <= 87);
    return solo ? 1 : 0;
}

// The share of notes that sound together with another note of the part: in
// the same onset, or while it goes on past the legato overlap.
double polyphonyOf(const std::vector<ImportedNote>& notes)
{
    if (notes.empty())
        return 0;
    std::vector<bool> together(notes.size(), false);
    std::vector<std::size_t> sounding;
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const ImportedNote& note = notes[i];
        std::erase_if(sounding, [&](std::size_t k) {
            return notes[k].end <= note.start + LegatoOverlapSeconds && note.start - notes[k].start >= SameOnsetSeconds;
        });
        for (const std::size_t k : sounding) {
            together[k] = true;
            together[i] = true;
        }
        sounding.push_back(i);
    }
    return static_cast<double>(std::count(together.begin(), together.end(), true)) / static_cast<double>(notes.size());
}

double medianPitch(const std::vector<ImportedNote>& line)
{
    if (line.empty())
        return 0;
    std::vector<int> pitches;
    pitches.reserve(line.size());
    for (const ImportedNote& note : line)
        pitches.push_back(note.pitch);
    const auto middle = pitches.begin() + static_cast<std::ptrdiff_t>(pitches.size() / 2);
    std::nth_element(pitches.begin(), middle, pitches.end());
    return *middle;
}

// Seconds during which at least one note of the part sounds.
double soundingSeconds(const std::vector<ImportedNote>& notes)
{
    double total = 0;
    double from = 0;
    double to = -1;
    for (const ImportedNote& note : notes) {
        if (note.start > to) {
            total += std::max(0.0, to - from);
            from = note.start;
            to = note.end;
        } else {
            to = std::max(to, note.end);
        }
    }
    return total + std::max(0.0, to - from);
}

PartEvidence evidenceOf(const ImportedPart& part, const std::vector<ImportedNote>& line, double songSeconds)
{
    PartEvidence evidence;
    judgeName(part, evidence);
    evidence.programVote = programVote(part.program);
    evidence.medianPitch = medianPitch(line);
    evidence.polyphony = polyphonyOf(part.notes);
    std::size_t steps = 0;
    std::size_t repeats = 0;
    for (std::size_t i = 1; i < line.size(); ++i) {
        const int move = std::abs(line[i].pitch - line[i - 1].pitch);
        steps += move == 1 || move == 2;
        repeats += move == 0;
    }
    if (line.size() > 1) {
        evidence.steps = static_cast<double>(steps) / static_cast<double>(line.size() - 1);
        evidence.repeats = static_cast<double>(repeats) / static_cast<double>(line.size() - 1);
    }
    evidence.coverage = songSeconds > 0 ? std::min(1.0, soundingSeconds(part.notes) / songSeconds) : 1.0;
    return evidence;
}

// Each kind of evidence's part of the score; their sum is the score.
struct Weighed {
    double name = 0, program = 0, pitch = 0, polyphony = 0, motion = 0, coverage = 0, notes = 0;
    double sum() const { return name + program + pitch + polyphony + motion + coverage + notes; }
};

Weighed weigh(const PartEvidence& e, double highestPitch)
{
    Weighed w;
    w.name = NameWeight * e.nameVote;
    w.program = e.programVote > 0 ? LeadProgramWeight : -AccompanimentProgramWeight * (e.programVote < 0);
    w.pitch = PitchWeightPerOctave * (e.medianPitch - highestPitch) / 12.0;
    w.polyphony = -PolyphonyWeight * e.polyphony;
    w.motion = StepWeight * e.steps - RepeatWeight * e.repeats;
    w.coverage = -CoverageWeight * std::max(0.0, FullCoverage - e.coverage) / FullCoverage;
    w.notes = -NoteShareWeight * std::max(0.0, FullNoteShare - e.noteShare) / FullNoteShare;
    return w;
}

std::string reasonOf(const PartEvidence& e, const Weighed& w)
{
    std::vector<std::string> said;
    if (e.nameVote != 0)
        said.push_back("名称“" + e.nameWord + (e.nameVote > 0 ? "”像旋律" : "”像伴奏"));
    if (e.programVote > 0)
        said.emplace_back("独奏音色");
    else if (e.programVote < 0)
        said.emplace_back("伴奏音色");
    if (w.pitch > -0.01)
        said.emplace_back("音区最高");
    else if (w.pitch <= -PitchWeightPerOctave * 0.75)
        said.emplace_back("音区低");
    if (e.polyphony <= 0.05)
        said.emplace_back("单音");
    else if (e.polyphony >= 0.3)
        said.emplace_back("常有和音");
    if (e.steps >= 0.5)
        said.emplace_back("级进为主");
    if (e.repeats >= 0.4)
        said.emplace_back("多同音反复");
    if (e.coverage < FullCoverage)
        said.emplace_back("只奏一部分");
    if (e.noteShare < FullNoteShare)
        said.emplace_back("音少");
    std::string text;
    for (const std::string& item : said)
        text += (text.empty() ? "" : "，") + item;
    return text;
}

}  // namespace

std::vector<ImportedNote> topLine(const std::vector<ImportedNote>& notes)
{
    std::vector<ImportedNote> line;
    // Notes that started before the onset at hand and may still sound over it.
    std::vector<std::size_t> sounding;
    for (std::size_t i = 0; i < notes.size();) {
        const double onset = notes[i].start;
        std::size_t best = i;
        std::size_t next = i + 1;
        // Measured from the onset's first note, not from the note before: a
        // fast run is no chord however many of its notes follow each other.
        for (; next < notes.size() && notes[next].start - onset < SameOnsetSeconds; ++next)
            if (notes[next].pitch > notes[best].pitch)
                best = next;
        ImportedNote top = notes[best];
        top.start = onset;
        top.end = std::max(top.end, onset);
        std::erase_if(sounding, [&](std::size_t k) { return notes[k].end <= onset + LegatoOverlapSeconds; });
        const bool under = std::any_of(sounding.begin(), sounding.end(), [&](std::size_t k) {
            return notes[k].pitch > top.pitch && notes[k].end > onset + LegatoOverlapSeconds;
        });
        if (!under)
            line.push_back(top);
        for (std::size_t k = i; k < next; ++k)
            sounding.push_back(k);
        i = next;
    }
    return line;
}

MelodyGuess findMelody(const ImportedSong& song)
{
    MelodyGuess guess;
    guess.parts.resize(song.parts.size());
    double songStart = 0;
    double songEnd = 0;
    bool any = false;
    for (const ImportedPart& part : song.parts) {
        for (const ImportedNote& note : part.notes) {
            songStart = any ? std::min(songStart, note.start) : note.start;
            songEnd = any ? std::max(songEnd, note.end) : note.end;
            any = true;
        }
    }

    std::size_t mostNotes = 0;
    double highestPitch = 0;
    bool anyCandidate = false;
    for (std::size_t p = 0; p < song.parts.size(); ++p) {
        const ImportedPart& part = song.parts[p];
        PartJudgement& judgement = guess.parts[p];
        judgement.candidate = !part.percussion && !part.notes.empty();
        if (!judgement.candidate) {
            judgement.reason = part.percussion ? "打击乐" : "";
            continue;
        }
        const std::vector<ImportedNote> line = topLine(part.notes);
        judgement.evidence = evidenceOf(part, line, songEnd - songStart);
        judgement.evidence.noteShare = static_cast<double>(line.size());
        mostNotes = std::max(mostNotes, line.size());
        highestPitch = anyCandidate ? std::max(highestPitch, judgement.evidence.medianPitch) : judgement.evidence.medianPitch;
        anyCandidate = true;
    }

    for (std::size_t p = 0; p < song.parts.size(); ++p) {
        PartJudgement& judgement = guess.parts[p];
        if (!judgement.candidate)
            continue;
        judgement.evidence.noteShare /= static_cast<double>(std::max<std::size_t>(mostNotes, 1));
        const Weighed weighed = weigh(judgement.evidence, highestPitch);
        judgement.score = weighed.sum();
        judgement.reason = reasonOf(judgement.evidence, weighed);
        if (guess.part < 0 || judgement.score > guess.parts[static_cast<std::size_t>(guess.part)].score)
            guess.part = static_cast<int>(p);
    }
    return guess;
}

}  // namespace kelodi
