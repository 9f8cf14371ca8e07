// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kelodi {

// A 16-bit PCM WAV file that grows while it is written. The header always
// describes what is in the file after finalise(), which runs on destruction,
// at process exit (for writers still alive then) and whenever the owner asks,
// so that a program that ends abruptly still leaves a playable file.
// append() and finalise() may be called from different threads.
class WavWriter {
public:
    // Creates (or truncates) the file; nullptr when it cannot be written.
    // The path is UTF-8.
    static std::unique_ptr<WavWriter> create(const std::string& path, int sampleRate, int channels);
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Appends interleaved frames. False when the file refused them or has
    // reached the 4 GiB limit of the format; nothing more is written then.
    bool append(const std::int16_t* samples, std::size_t frames);

    // Puts the current sizes into the header and flushes the file.
    void finalise();

    // The 44-byte header of a file holding dataBytes of sample data.
    static std::vector<std::uint8_t> header(int sampleRate, int channels, std::uint32_t dataBytes);
    static constexpr std::uint32_t HeaderBytes = 44;
    // The RIFF size field counts everything after its own 8 bytes in 32 bits.
    static constexpr std::uint32_t MaxDataBytes = 0xFFFFFFFFu - (HeaderBytes - 8);

private:
    WavWriter(std::ofstream file, int sampleRate, int channels);
    void finaliseLocked();

    mutable std::mutex m_mutex;
    std::ofstream m_file;
    int m_sampleRate;
    int m_channels;
    std::uint32_t m_dataBytes = 0;
    bool m_full = false;
    std::vector<char> m_scratch;  // little-endian bytes of the block being appended
};

}  // namespace kelodi
