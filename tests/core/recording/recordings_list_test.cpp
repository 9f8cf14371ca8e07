// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/recording/recordings_list.h"
#include "core/text/utf8.h"
#include "platform/text/system_text_codec.h"

namespace kelodi {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> selectedCaptions(const std::vector<std::string>& fileNames)
{
    std::vector<std::string> captions;
    for (const RecordingName& name : selectRecordings(fileNames, &systemTextCodec()))
        captions.push_back(name.caption);
    return captions;
}

// "茉莉花.dzq" as a Chinese Windows system writes it, in GBK.
const std::string GbkJasmine = "\xDC\xD4\xC0\xF2\xBB\xA8.dzq";

TEST(RecordingsList, KeepsDzqFilesInCodeUnitOrder)
{
    EXPECT_EQ(selectedCaptions({"b.dzq", "notes.txt", "A.DZQ", "a.dzq", "x.Dzq", "dzq", ".dzq", "a.dzq.bak"}),
              (std::vector<std::string>{".dzq", "A.DZQ", "a.dzq", "b.dzq", "x.Dzq"}));
    // Chinese names follow their character codes; a character outside the
    // BMP sorts by its first surrogate (U+D83D), before U+FF5A, which a
    // code-point order would reverse. A GBK name sorts by what it reads.
    EXPECT_EQ(selectedCaptions({"欢乐颂.dzq", "ｚ.dzq", "小星星.dzq", "\xF0\x9F\x8E\xB5.dzq", GbkJasmine, "两只老虎.dzq"}),
              (std::vector<std::string>{"两只老虎.dzq", "小星星.dzq", "欢乐颂.dzq", "茉莉花.dzq", "\xF0\x9F\x8E\xB5.dzq",
                                        "ｚ.dzq"}));
}

TEST(RecordingsList, ListsPlainVisibleFilesOfTheFolder)
{
    const fs::path program = fs::temp_directory_path() / "kelodi-list-test";
    fs::remove_all(program);
    const fs::path folder = recordingsFolder(program);
    EXPECT_EQ(pathToUtf8(folder.filename()), "录制");
    fs::create_directories(folder / "sub.dzq");
    for (const char* name : {"b.dzq", ".hidden.dzq", "notes.txt", "小星星.dzq"})
        std::ofstream(folder / pathFromUtf8(name)) << "0.1,C";

    RecordingsList list(folder);
    list.fill();
    EXPECT_EQ(list.captions(), (std::vector<std::string>{"b.dzq", "小星星.dzq"}));
    EXPECT_EQ(list.checkedItem(), 0);

    EXPECT_EQ(list.choose(1), folder / pathFromUtf8("小星星.dzq"));
    EXPECT_EQ(list.checkedItem(), 1);
    EXPECT_EQ(list.choose(2), fs::path());
    EXPECT_EQ(list.checkedItem(), 1);
    fs::remove_all(program);
}

// A GBK name reads as Chinese in the menu and still opens by its own bytes,
// also beside a UTF-8 file that reads the same.
TEST(RecordingsList, GbkFileNamesReadAsChineseAndOpenByTheirBytes)
{
#ifdef _WIN32
    // A name made of GBK bytes cannot exist there: Windows keeps file names
    // in UTF-16, and the bytes below would become a Latin-1 name instead.
    GTEST_SKIP() << "Windows file names are UTF-16, never GBK bytes";
#endif
    const fs::path program = fs::temp_directory_path() / "kelodi-gbk-list-test";
    fs::remove_all(program);
    const fs::path folder = recordingsFolder(program);
    fs::create_directories(folder);
    std::ofstream(folder / GbkJasmine) << "gbk";
    std::ofstream(folder / pathFromUtf8("茉莉花.dzq")) << "utf-8";

    RecordingsList list(folder, &systemTextCodec());
    list.fill();
    EXPECT_EQ(list.captions(), (std::vector<std::string>{"茉莉花.dzq", "茉莉花.dzq"}));
    std::string opened;
    for (int i = 0; i < 2; ++i) {
        std::string text;
        std::ifstream(list.choose(i)) >> text;
        opened += text + " ";
    }
    EXPECT_TRUE(opened == "gbk utf-8 " || opened == "utf-8 gbk ") << opened;
    fs::remove_all(program);
}

TEST(RecordingsList, NoRecordingsLeaveThePlaceholder)
{
    RecordingsList list(fs::temp_directory_path() / "kelodi-no-such-folder");
    list.fill();
    EXPECT_EQ(list.captions(), (std::vector<std::string>{"列表01"}));
    EXPECT_EQ(list.checkedItem(), 0);
    EXPECT_EQ(recordingsFolder("/"), fs::path("/") / pathFromUtf8("录制"));
}

}  // namespace
}  // namespace kelodi
