// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/midi/offline_renderer.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include <fluidsynth.h>

#include "core/text/utf8.h"
#include "platform/files/atomic_file.h"
#include "platform/midi/synth_dispatch.h"
#include "platform/midi/wav_writer.h"

namespace kelodi {

namespace {

// Frames per write: large enough that the calls cost nothing next to the
// synthesis, small enough for a lively progress bar and a quick cancel.
constexpr std::uint64_t BlockFrames = 4096;

struct SynthDeleter {
    void operator()(fluid_synth_t* synth) const { delete_fluid_synth(synth); }
};
struct SettingsDeleter {
    void operator()(fluid_settings_t* settings) const { delete_fluid_settings(settings); }
};

std::uint64_t frameAt(double seconds)
{
    if (!(seconds > 0))
        return 0;
    return static_cast<std::uint64_t>(std::llround(std::min(seconds, 1e9) * SampleRate));
}

// Writes the samples up to frame `until`; false when the file refuses them or
// the caller cancels.
class BlockWriter {
public:
    BlockWriter(fluid_synth_t* synth, AtomicFile& file, std::uint64_t total, const OfflineRenderer::Progress& progress)
        : m_synth(synth), m_file(file), m_total(total), m_progress(progress), m_block(BlockFrames * 2),
          m_bytes(BlockFrames * 4)
    {
    }

    bool renderUntil(std::uint64_t until, RenderResult& result)
    {
        while (m_done < until) {
            const auto frames = static_cast<int>(std::min(BlockFrames, until - m_done));
            fluid_synth_write_s16(m_synth, frames, m_block.data(), 0, 2, m_block.data(), 1, 2);
            // WAV samples are little-endian whatever the machine is.
            const std::size_t samples = static_cast<std::size_t>(frames) * 2;
            for (std::size_t i = 0; i < samples; ++i) {
                const auto value = static_cast<std::uint16_t>(m_block[i]);
                m_bytes[2 * i] = static_cast<char>(value & 0xFF);
                m_bytes[2 * i + 1] = static_cast<char>(value >> 8);
            }
            if (!m_file.write(m_bytes.data(), samples * 2)) {
                result.error = m_file.error();
                result.failure = m_file.failure();
                return false;
            }
            m_done += static_cast<std::uint64_t>(frames);
            m_sinceReport += static_cast<std::uint64_t>(frames);
            if (m_progress && m_sinceReport >= BlockFrames) {
                m_sinceReport = 0;
                if (!m_progress(static_cast<double>(m_done) / static_cast<double>(m_total))) {
                    result.cancelled = true;
                    return false;
                }
            }
        }
        return true;
    }
    std::uint64_t done() const { return m_done; }

private:
    fluid_synth_t* m_synth;
    AtomicFile& m_file;
    std::uint64_t m_total;
    const OfflineRenderer::Progress& m_progress;
    std::vector<std::int16_t> m_block;
    std::vector<char> m_bytes;
    std::uint64_t m_done = 0;
    std::uint64_t m_sinceReport = 0;
};

}  // namespace

RenderResult OfflineRenderer::render(const std::vector<TimedMessage>& messages, double endSeconds,
                                     const std::string& soundFont, const std::string& wavPath,
                                     const Progress& progress)
{
    RenderResult result;
    std::unique_ptr<fluid_settings_t, SettingsDeleter> settings(new_fluid_settings());
    fluid_settings_setnum(settings.get(), "synth.sample-rate", SampleRate);
    // One thread uses the synth: no locking. Samples are read as presets are
    // chosen, so a song on one instrument reads only that instrument.
    fluid_settings_setint(settings.get(), "synth.threadsafe-api", 0);
    fluid_settings_setint(settings.get(), "synth.dynamic-sample-loading", 1);
    std::unique_ptr<fluid_synth_t, SynthDeleter> synth(new_fluid_synth(settings.get()));
    if (!synth) {
        result.error = "FluidSynth could not create a synthesizer";
        return result;
    }
    if (soundFont.empty() || fluid_synth_sfload(synth.get(), soundFont.c_str(), 1) == FLUID_FAILED) {
        result.error = soundFont.empty() ? "no SoundFont found" : "cannot load the SoundFont " + soundFont;
        return result;
    }

    // The length is known before the first sample: the header is written
    // once, with its final sizes, and the file's room can be reserved.
    double last = std::max(endSeconds, 0.0);
    for (const TimedMessage& m : messages)
        last = std::max(last, m.seconds);
    const std::uint64_t total = frameAt(last + TailSeconds);
    const std::uint64_t dataBytes = total * 4;
    if (dataBytes > WavWriter::MaxDataBytes) {
        result.error = "the song is too long for a WAV file (at most 4 GiB)";
        return result;
    }
    const std::unique_ptr<AtomicFile> file =
        AtomicFile::create(pathFromUtf8(wavPath), WavWriter::HeaderBytes + dataBytes, &result.error, &result.failure);
    if (!file)
        return result;
    const std::vector<std::uint8_t> header = WavWriter::header(SampleRate, 2, static_cast<std::uint32_t>(dataBytes));
    if (!file->write(header.data(), header.size())) {
        result.error = file->error();
        result.failure = file->failure();
        return result;
    }

    BlockWriter writer(synth.get(), *file, total, progress);
    bool written = true;
    for (const TimedMessage& m : messages) {
        if (!(written = writer.renderUntil(frameAt(m.seconds), result)))
            break;
        dispatchToSynth(synth.get(), m.message);
    }
    // Unless committed, the file goes when `file` does, and any old one stays.
    if (!(written && writer.renderUntil(total, result)))
        return result;
    if (!file->commit()) {
        result.error = file->error();
        result.failure = file->failure();
        return result;
    }
    result.ok = true;
    result.frames = writer.done();
    return result;
}

}  // namespace kelodi
