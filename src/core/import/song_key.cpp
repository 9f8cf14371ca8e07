// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/import/song_key.h"

#include <array>
#include <cmath>

namespace kelodi {

namespace {

constexpr int Octave = 12;

// Krumhansl and Kessler's probe-tone ratings, from the tonic up.
constexpr std::array<double, Octave> MajorProfile = {6.35, 2.23, 3.48, 2.33, 4.38, 4.09,
                                                     2.52, 5.19, 2.39, 3.66, 2.29, 2.88};
constexpr std::array<double, Octave> MinorProfile = {6.33, 2.68, 3.52, 5.38, 2.60, 3.53,
                                                     2.54, 4.75, 3.98, 2.69, 3.34, 3.17};

// A signature that misses this share of the melody's time, when the
// estimate misses at most half as much, is not the song's.
constexpr double SignatureMisfit = 0.10;

int pitchClass(int pitch) { return ((pitch % Octave) + Octave) % Octave; }

bool isBlack(int pitch)
{
    const int pc = pitchClass(pitch);
    return pc == 1 || pc == 3 || pc == 6 || pc == 8 || pc == 10;
}

double correlation(const std::array<double, Octave>& a, const std::array<double, Octave>& b)
{
    double meanA = 0;
    double meanB = 0;
    for (int i = 0; i < Octave; ++i) {
        meanA += a[i] / Octave;
        meanB += b[i] / Octave;
    }
    double ab = 0;
    double aa = 0;
    double bb = 0;
    for (int i = 0; i < Octave; ++i) {
        ab += (a[i] - meanA) * (b[i] - meanB);
        aa += (a[i] - meanA) * (a[i] - meanA);
        bb += (b[i] - meanB) * (b[i] - meanB);
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

}  // namespace

SongKey keyOfSignature(const KeySignature& signature)
{
    const int major = pitchClass(7 * signature.fifths);
    return {signature.minor ? pitchClass(major + 9) : major, signature.minor};
}

std::optional<SongKey> estimateKey(const ImportedSong& song)
{
    std::array<double, Octave> weights{};
    bool any = false;
    for (const ImportedPart& part : song.parts) {
        if (part.percussion)
            continue;
        for (const ImportedNote& note : part.notes) {
            weights[static_cast<std::size_t>(pitchClass(note.pitch))] += note.end - note.start;
            any = true;
        }
    }
    if (!any)
        return std::nullopt;
    SongKey best;
    double bestCorrelation = -2;
    for (const bool minor : {false, true}) {
        for (int tonic = 0; tonic < Octave; ++tonic) {
            std::array<double, Octave> rotated{};
            for (int i = 0; i < Octave; ++i)
                rotated[static_cast<std::size_t>(i)] = weights[static_cast<std::size_t>(pitchClass(tonic + i))];
            const double r = correlation(rotated, minor ? MinorProfile : MajorProfile);
            if (r > bestCorrelation) {
                bestCorrelation = r;
                best = {tonic, minor};
            }
        }
    }
    return best;
}

int semitonesToC(const SongKey& key)
{
    const int target = key.minor ? 9 : 0;
    const int up = pitchClass(target - key.tonic);
    return up > 5 ? up - Octave : up;
}

std::string keyName(const SongKey& key)
{
    static constexpr std::array<const char*, Octave> Names = {"C", "#C", "D", "#D", "E", "F",
                                                              "#F", "G", "#G", "A", "#A", "B"};
    return std::string(Names[static_cast<std::size_t>(pitchClass(key.tonic))]) + (key.minor ? "m" : "");
}

double blackKeyShare(const std::vector<ImportedNote>& notes, int semitones)
{
    double black = 0;
    double all = 0;
    for (const ImportedNote& note : notes) {
        const double length = note.end - note.start;
        all += length;
        black += isBlack(note.pitch + semitones) ? length : 0;
    }
    return all > 0 ? black / all : 0;
}

KeyMove keyMoveToC(const ImportedSong& song, const ImportedPart& melody)
{
    const std::optional<SongKey> estimate = estimateKey(song);
    if (song.key) {
        const SongKey signature = keyOfSignature(*song.key);
        const int bySignature = semitonesToC(signature);
        const double misfit = blackKeyShare(melody.notes, bySignature);
        if (estimate && misfit > SignatureMisfit &&
            blackKeyShare(melody.notes, semitonesToC(*estimate)) <= misfit / 2)
            return {semitonesToC(*estimate), estimate, KeySource::Estimate};
        return {bySignature, signature, KeySource::Signature};
    }
    if (!estimate)
        return {};
    const int byEstimate = semitonesToC(*estimate);
    if (blackKeyShare(melody.notes, byEstimate) <= blackKeyShare(melody.notes, 0))
        return {byEstimate, estimate, KeySource::Estimate};
    return {};
}

}  // namespace kelodi
