// SPDX-License-Identifier: GPL-3.0-or-later
// `kelodi-dzq render` as a listener checks it: which note sounds when, for
// how long, and the file it lands in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>

#include "cli/score_tool_run.h"

namespace kelodi::test {
namespace {

namespace fs = std::filesystem;

constexpr int Rate = 44100;

std::uint32_t little(const std::string& b, std::size_t at, int count)
{
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | static_cast<std::uint8_t>(b[at + static_cast<std::size_t>(i)]);
    return value;
}

// The 44-byte header of 16-bit stereo PCM at 44.1 kHz holding `frames`.
std::string wavHeader(std::uint32_t frames)
{
    std::string h = "RIFF";
    const auto put = [&h](std::uint32_t v, int count) {
        for (int i = 0; i < count; ++i)
            h.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    put(36 + frames * 4, 4);
    h += "WAVEfmt ";
    put(16, 4);
    put(1, 2);  // PCM
    put(2, 2);
    put(Rate, 4);
    put(Rate * 4, 4);
    put(4, 2);
    put(16, 2);
    h += "data";
    put(frames * 4, 4);
    return h;
}

// The samples of a WAV file with the header above, both channels averaged.
class Sound {
public:
    explicit Sound(const std::string& file)
    {
        for (std::size_t at = 44; at + 4 <= file.size(); at += 4)
            m_mono.push_back((static_cast<std::int16_t>(little(file, at, 2)) +
                              static_cast<std::int16_t>(little(file, at + 2, 2))) / 2.0);
    }

    // Root mean square over one millisecond from `ms`.
    double level(double ms) const
    {
        const auto first = static_cast<std::size_t>(ms * Rate / 1000);
        double sum = 0;
        for (std::size_t i = first; i < first + Rate / 1000 && i < m_mono.size(); ++i)
            sum += m_mono[i] * m_mono[i];
        return std::sqrt(sum / (Rate / 1000));
    }
    double loudest(double fromMs, double toMs) const
    {
        double most = 0;
        for (double ms = fromMs; ms < toMs; ms += 1)
            most = std::max(most, level(ms));
        return most;
    }
    // Where the sound first rises to a quarter of the loudest millisecond
    // between `fromMs` and 100 ms after `toMs`; -1 if it never does.
    double onset(double fromMs, double toMs) const
    {
        const double peak = loudest(fromMs, toMs + 100);
        for (double ms = fromMs; ms < toMs; ms += 1)
            if (peak > 20 && level(ms) >= 0.25 * peak)
                return ms;
        return -1;
    }
    // The fundamental over 150 ms from `fromMs`, by autocorrelation: the
    // first lag whose correlation comes near the best one (later peaks are
    // its multiples), refined between its neighbours.
    double pitch(double fromMs) const
    {
        const auto first = static_cast<std::size_t>(fromMs * Rate / 1000);
        const std::size_t length = Rate * 15 / 100;
        if (first + length + Rate / 50 > m_mono.size())
            return 0;
        std::vector<double> part(m_mono.begin() + static_cast<long>(first),
                                 m_mono.begin() + static_cast<long>(first + length + Rate / 50));
        const int lowLag = Rate / 2000;
        const int highLag = Rate / 50;
        std::vector<double> corr;
        for (int lag = lowLag; lag < highLag; ++lag) {
            double sum = 0;
            for (std::size_t i = 0; i < length; ++i)
                sum += part[i] * part[i + static_cast<std::size_t>(lag)];
            corr.push_back(sum);
        }
        const double peak = *std::max_element(corr.begin(), corr.end());
        for (std::size_t i = 1; i + 1 < corr.size(); ++i) {
            if (corr[i] >= 0.9 * peak && corr[i] >= corr[i - 1] && corr[i] >= corr[i + 1]) {
                const double a = corr[i - 1], b = corr[i], c = corr[i + 1];
                const double shift = (a - 2 * b + c) != 0 ? 0.5 * (a - c) / (a - 2 * b + c) : 0;
                return Rate / (static_cast<double>(lowLag) + static_cast<double>(i) + shift);
            }
        }
        return 0;
    }

private:
    std::vector<double> m_mono;
};

class Render : public ScoreToolTest {
protected:
    void SetUp() override
    {
        ScoreToolTest::SetUp();
        // C3, E3, G3, C4 (keys c e g c1), 0.3 s each, 0.4 s apart. 抬起 in GBK.
        write("tune.dzq", "0.2,c|0.3,\xcc\xa7\xc6\xf0|0.4,e|0.3,\xcc\xa7\xc6\xf0|0.4,g|0.3,\xcc\xa7\xc6\xf0|"
                          "0.4,c1|0.3,\xcc\xa7\xc6\xf0\r\n");
    }
};

TEST_F(Render, EachNoteSoundsAtItsPitchFromItsOnsetUntilItsRelease)
{
    fs::create_directory(m_folder / "songs");
    // An octave up: C4 E4 G4 C5.
    const ToolRun result = run({"render", "tune.dzq", "songs/tune.wav", "--octave", "1"});
    if (result.status == 2 && result.err.find("no General MIDI SoundFont") != std::string::npos)
        GTEST_SKIP() << "no General MIDI SoundFont installed";
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "");
    // The file named, and nothing beside it, nor beside the score.
    EXPECT_EQ(entryCount(), 2u);
    ASSERT_EQ(std::distance(fs::directory_iterator(m_folder / "songs"), fs::directory_iterator()), 1);
    const std::string file = contents(m_folder / "songs/tune.wav");

    // The last release at 2.6 s, then 2 s to ring out.
    const std::uint32_t frames = 46 * Rate / 10;
    ASSERT_EQ(file.size(), 44u + frames * 4);
    EXPECT_EQ(file.substr(0, 44), wavHeader(frames));
    const Sound sound(file);
    // Below 2 is the synthesizer's noise floor.
    EXPECT_LT(sound.loudest(0, 195), 2) << "sound before the first note";
    EXPECT_LT(sound.loudest(3600, 4600), 2) << "sound a second after the last note ended";

    struct Note {
        double onMs, offMs, hertz;
    };
    const Note notes[] = {{200, 500, 261.63}, {900, 1200, 329.63}, {1600, 1900, 392.00}, {2300, 2600, 523.25}};
    for (const Note& note : notes) {
        SCOPED_TRACE(std::to_string(note.hertz) + " Hz at " + std::to_string(note.onMs) + " ms");
        const double onset = sound.onset(note.onMs - 150, note.onMs + 150);
        // The attack takes a few milliseconds to reach a quarter of its peak.
        EXPECT_GE(onset, note.onMs);
        EXPECT_LE(onset, note.onMs + 10);
        // Piano notes ring a little sharp of the tempered scale; a semitone
        // is 6 % away.
        EXPECT_NEAR(sound.pitch(note.onMs + 50) / note.hertz, 1.0, 0.03) << sound.pitch(note.onMs + 50) << " Hz";
        // Held to its release (a piano note fades slowly while held), and
        // fading out quickly after it.
        const double peak = sound.loudest(note.onMs, note.onMs + 100);
        const double held = sound.loudest(note.offMs - 20, note.offMs);
        EXPECT_GT(held, 0.2 * peak) << "faded before its release";
        EXPECT_LT(sound.loudest(note.offMs + 200, note.offMs + 220), std::min(0.1 * peak, 0.3 * held))
            << "still sounding after its release";
    }
}

}  // namespace
}  // namespace kelodi::test
