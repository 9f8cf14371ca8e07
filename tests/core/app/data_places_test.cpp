// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "core/app/data_places.h"
#include "core/text/utf8.h"

namespace kelodi {
namespace {

namespace fs = std::filesystem;

const fs::path Recordings = pathFromUtf8("录制");
const fs::path Help = pathFromUtf8("Kelodi说明.txt");

struct PlaceCase {
    const char* name;
    bool writable;
    bool windows;
    bool installed;
    bool userData;
    // Expected: where the user's files go and where the shipped ones come from.
    const char* userFiles;  // "program" or "user"
    const char* shipped;    // "program" or "shared"
};

TEST(DataPlaces, UserFilesStayInTheProgramFolderOnlyWhereItIsTheProgramsOwn)
{
    const fs::path program = "/opt/kelodi/bin";
    const fs::path user = "/home/ann/.local/share/kelodi";
    const fs::path shared = "/opt/kelodi/share/kelodi";
    const PlaceCase cases[] = {
        {"a build or an unpacked folder", true, false, false, true, "program", "program"},
        {"Windows, even where the folder is read-only", false, true, true, true, "program", "program"},
        {"installed, run by a user", false, false, true, true, "user", "shared"},
        // root can write to /usr/bin; the recordings still do not go there.
        {"installed, run by root", true, false, true, true, "user", "shared"},
        {"a read-only portable folder", false, false, false, true, "user", "program"},
        {"no user data folder at all", false, false, true, false, "program", "program"},
    };
    for (const PlaceCase& c : cases) {
        SCOPED_TRACE(c.name);
        const DataPlaces places = chooseDataPlaces(
            {program, c.writable, c.windows, c.userData ? user : fs::path(), c.installed ? shared : fs::path()});
        const fs::path& userFiles = std::string(c.userFiles) == "user" ? user : program;
        const fs::path& shipped = std::string(c.shipped) == "shared" ? shared : program;
        EXPECT_EQ(places.recordingsFolder, userFiles / Recordings);
        EXPECT_EQ(places.newsOptOut, userFiles / "v.sz");
        EXPECT_EQ(places.helpText, shipped / Help);
        // Only a folder of the user's own is made and filled at start.
        const bool inUserFolder = userFiles == user;
        EXPECT_EQ(places.createRecordingsFolder, inUserFolder);
        EXPECT_EQ(places.sampleScores, inUserFolder ? shipped / Recordings : fs::path());
    }
}

class PrepareRecordings : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        root = fs::temp_directory_path() / (std::string("kelodi-places-") + test->name());
        fs::remove_all(root);
        fs::create_directories(root / "share" / Recordings);
        places = chooseDataPlaces({root / "bin", false, false, root / "home" / "kelodi", root / "share"});
    }
    void TearDown() override { fs::remove_all(root); }

    static void write(const fs::path& path, const std::string& text)
    {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string read(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::set<std::string> recordings() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(places.recordingsFolder))
            names.insert(pathToUtf8(entry.path().filename()));
        return names;
    }

    fs::path root;
    DataPlaces places;
};

TEST_F(PrepareRecordings, FirstStartMakesTheFolderWithCopiesOfTheSampleScores)
{
    const fs::path samples = root / "share" / Recordings;
    write(samples / pathFromUtf8("小星星.dzq"), "简谱倍数:1\r\n");
    write(samples / "Upper.DZQ", "x");
    write(samples / "notes.txt", "not a score");
    fs::create_directory(samples / "folder.dzq");

    const PreparedFolder done = prepareRecordingsFolder(places);
    EXPECT_TRUE(done.created);
    EXPECT_TRUE(done.problems.empty());
    EXPECT_EQ(std::set<std::string>(done.copied.begin(), done.copied.end()),
              (std::set<std::string>{"小星星.dzq", "Upper.DZQ"}));
    EXPECT_EQ(recordings(), (std::set<std::string>{"小星星.dzq", "Upper.DZQ"}));
    EXPECT_EQ(read(places.recordingsFolder / pathFromUtf8("小星星.dzq")), "简谱倍数:1\r\n");
    // The shipped copies stay where they are.
    EXPECT_TRUE(fs::exists(samples / pathFromUtf8("小星星.dzq")));
}

TEST_F(PrepareRecordings, AnExistingFolderIsTheUsersAndIsLeftAlone)
{
    write(root / "share" / Recordings / "a.dzq", "sample a");
    write(root / "share" / Recordings / "b.dzq", "sample b");
    fs::create_directories(places.recordingsFolder);
    // The user's own take carries a sample's name; the other sample was deleted.
    write(places.recordingsFolder / "a.dzq", "my take");

    const PreparedFolder done = prepareRecordingsFolder(places);
    EXPECT_FALSE(done.created);
    EXPECT_TRUE(done.copied.empty());
    EXPECT_EQ(read(places.recordingsFolder / "a.dzq"), "my take");
    EXPECT_EQ(recordings(), std::set<std::string>{"a.dzq"});
}

TEST_F(PrepareRecordings, FailuresAreReportedAndNothingIsThrown)
{
    // No sample folder: the recordings folder is still made, empty.
    fs::remove_all(root / "share" / Recordings);
    PreparedFolder done = prepareRecordingsFolder(places);
    EXPECT_TRUE(done.created);
    EXPECT_EQ(done.problems.size(), 1u);
    EXPECT_TRUE(recordings().empty());

    // A file where the data folder should be: nothing can be made.
    fs::remove_all(root / "home");
    write(root / "home", "in the way");
    done = prepareRecordingsFolder(places);
    EXPECT_FALSE(done.created);
    ASSERT_EQ(done.problems.size(), 1u);
    EXPECT_NE(done.problems[0].find("cannot create"), std::string::npos);
    EXPECT_EQ(read(root / "home"), "in the way");
}

TEST_F(PrepareRecordings, TheProgramFolderIsNeverMadeOrFilled)
{
    write(root / "share" / Recordings / "a.dzq", "sample");
    const DataPlaces own = programFolderPlaces(root / "bin");
    const PreparedFolder done = prepareRecordingsFolder(own);
    EXPECT_FALSE(done.created);
    EXPECT_FALSE(fs::exists(root / "bin"));
}

}  // namespace
}  // namespace kelodi
