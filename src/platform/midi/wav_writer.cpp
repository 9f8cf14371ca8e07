// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/midi/wav_writer.h"

#include <cstdlib>
#include <filesystem>
#include <set>

namespace kelodi {

namespace {

void putLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void putTag(std::vector<std::uint8_t>& out, const char (&tag)[5])
{
    out.insert(out.end(), tag, tag + 4);
}

// Writers alive at process exit get their header completed by an exit
// handler; static destructors of the owner may never run (std::exit from a
// window handler, for one).
struct LiveWriters {
    std::mutex mutex;
    std::set<WavWriter*> writers;
};

LiveWriters& liveWriters()
{
    static LiveWriters* live = [] {
        auto* created = new LiveWriters;  // never destroyed: the exit handler may outlive statics
        std::atexit([] {
            LiveWriters& all = liveWriters();
            std::lock_guard lock(all.mutex);
            for (WavWriter* writer : all.writers)
                writer->finalise();
        });
        return created;
    }();
    return *live;
}

}  // namespace

std::vector<std::uint8_t> WavWriter::header(int sampleRate, int channels, std::uint32_t dataBytes)
{
    const auto rate = static_cast<std::uint32_t>(sampleRate);
    const auto blockAlign = static_cast<std::uint32_t>(channels) * 2;
    std::vector<std::uint8_t> out;
    out.reserve(HeaderBytes);
    putTag(out, "RIFF");
    putLe(out, dataBytes + HeaderBytes - 8, 4);
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    putLe(out, 16, 4);  // size of the PCM format block
    putLe(out, 1, 2);   // PCM
    putLe(out, static_cast<std::uint32_t>(channels), 2);
    putLe(out, rate, 4);
    putLe(out, rate * blockAlign, 4);
    putLe(out, blockAlign, 2);
    putLe(out, 16, 2);  // bits per sample
    putTag(out, "data");
    putLe(out, dataBytes, 4);
    return out;
}

std::unique_ptr<WavWriter> WavWriter::create(const std::string& path, int sampleRate, int channels)
{
    if (sampleRate <= 0 || channels <= 0)
        return nullptr;
    std::ofstream file(std::filesystem::path(std::u8string(path.begin(), path.end())),
                       std::ios::binary | std::ios::trunc);
    if (!file)
        return nullptr;
    std::unique_ptr<WavWriter> writer(new WavWriter(std::move(file), sampleRate, channels));
    {
        std::lock_guard lock(writer->m_mutex);
        writer->finaliseLocked();
        if (!writer->m_file)
            return nullptr;
    }
    LiveWriters& live = liveWriters();
    std::lock_guard lock(live.mutex);
    live.writers.insert(writer.get());
    return writer;
}

WavWriter::WavWriter(std::ofstream file, int sampleRate, int channels)
    : m_file(std::move(file)), m_sampleRate(sampleRate), m_channels(channels)
{
}

WavWriter::~WavWriter()
{
    {
        LiveWriters& live = liveWriters();
        std::lock_guard lock(live.mutex);
        live.writers.erase(this);
    }
    std::lock_guard lock(m_mutex);
    finaliseLocked();
}

bool WavWriter::append(const std::int16_t* samples, std::size_t frames)
{
    std::lock_guard lock(m_mutex);
    if (m_full || !m_file)
        return false;
    const std::uint64_t bytes = static_cast<std::uint64_t>(frames) * m_channels * 2;
    if (m_dataBytes + bytes > MaxDataBytes) {
        m_full = true;
        return false;
    }
    std::vector<char>& out = m_scratch;
    out.resize(bytes);
    for (std::size_t i = 0; i < frames * static_cast<std::size_t>(m_channels); ++i) {
        const auto value = static_cast<std::uint16_t>(samples[i]);
        out[2 * i] = static_cast<char>(value & 0xFF);
        out[2 * i + 1] = static_cast<char>(value >> 8);
    }
    m_file.write(out.data(), static_cast<std::streamsize>(out.size()));
    if (!m_file)
        return false;
    m_dataBytes += static_cast<std::uint32_t>(bytes);
    return true;
}

void WavWriter::finalise()
{
    std::lock_guard lock(m_mutex);
    finaliseLocked();
}

void WavWriter::finaliseLocked()
{
    if (!m_file)
        return;
    const auto bytes = header(m_sampleRate, m_channels, m_dataBytes);
    const auto end = m_file.tellp();
    m_file.seekp(0);
    m_file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (end > static_cast<std::streamoff>(HeaderBytes))
        m_file.seekp(end);
    m_file.flush();
}

}  // namespace kelodi
