// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace kelodi::test {

// A fixture with a fresh folder of its own under the system's temporary
// folder, named after the test, and removed afterwards (its permissions given
// back first, for tests that take them away).
class ScratchFolderTest : public ::testing::Test {
protected:
    explicit ScratchFolderTest(std::string prefix) : m_prefix(std::move(prefix)) {}

    void SetUp() override
    {
        m_folder = std::filesystem::temp_directory_path() /
                   (m_prefix + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::permissions(m_folder, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(m_folder, ignored);
    }

    static std::string contents(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::size_t entryCount() const
    {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(m_folder),
                                                      std::filesystem::directory_iterator()));
    }

    std::filesystem::path m_folder;

private:
    std::string m_prefix;
};

}  // namespace kelodi::test
