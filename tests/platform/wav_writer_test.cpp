// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/midi/wav_writer.h"

namespace kelodi {
namespace {

std::vector<std::uint8_t> readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::filesystem::path tempPath(const char* name)
{
    return std::filesystem::temp_directory_path()
           / (std::string("kelodi-wav-") + std::to_string(::testing::UnitTest::GetInstance()->random_seed())
              + "-" + name);
}

TEST(WavWriter, HeaderDescribesSixteenBitStereoPcm)
{
    const std::vector<std::uint8_t> expected = {
        'R', 'I', 'F', 'F', 0x2C, 0x00, 0x00, 0x00, 'W', 'A', 'V', 'E',   //
        'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 2, 0,                    // PCM, 2 channels
        0x44, 0xAC, 0x00, 0x00, 0x10, 0xB1, 0x02, 0x00, 4, 0, 16, 0,     // 44100 Hz, 176400 B/s
        'd', 'a', 't', 'a', 0x08, 0x00, 0x00, 0x00};
    EXPECT_EQ(WavWriter::header(44100, 2, 8), expected);
}

TEST(WavWriter, FileIsCompleteAfterEachFinaliseAndAfterDestruction)
{
    const auto path = tempPath("grow.wav");
    auto writer = WavWriter::create(path.string(), 44100, 2);
    ASSERT_TRUE(writer);
    const std::int16_t frames[] = {1, -1, 0x1234, -32768};
    ASSERT_TRUE(writer->append(frames, 2));
    writer->finalise();

    auto bytes = readFile(path);
    ASSERT_EQ(bytes.size(), 44u + 8u);
    const auto header = WavWriter::header(44100, 2, 8);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), bytes.begin()));
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 44, bytes.end()),
              (std::vector<std::uint8_t>{0x01, 0x00, 0xFF, 0xFF, 0x34, 0x12, 0x00, 0x80}));

    ASSERT_TRUE(writer->append(frames, 1));
    writer.reset();
    bytes = readFile(path);
    ASSERT_EQ(bytes.size(), 44u + 12u);
    EXPECT_EQ(bytes[40], 12);  // data size
    EXPECT_EQ(bytes[4], 44 - 8 + 12);  // RIFF size
    std::filesystem::remove(path);
}

TEST(WavWriter, RefusesAPathItCannotWrite)
{
    EXPECT_FALSE(WavWriter::create("/nonexistent-folder/x.wav", 44100, 2));
    EXPECT_FALSE(WavWriter::create(tempPath("bad.wav").string(), 0, 2));
}

}  // namespace
}  // namespace kelodi
