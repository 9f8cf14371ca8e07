// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up cost of the recordings list: listing 录制/, decoding the names that
// are not UTF-8 (GBK names copied from Windows) and sorting, for folders of
// 100, 1,000 and 10,000 recordings, half of them with GBK names.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/recording/recordings_list.h"
#include "core/text/utf8.h"
#include "platform/text/system_text_codec.h"

namespace {

namespace fs = std::filesystem;
using namespace kelodi;

void measure(const fs::path& root, int count)
{
    const fs::path folder = recordingsFolder(root / std::to_string(count));
    fs::create_directories(folder);
    for (int i = 0; i < count; ++i) {
        // "茉莉花" in GBK, or "小星星" in UTF-8, with a number.
        const std::string stem = i % 2 ? std::string("\xDC\xD4\xC0\xF2\xBB\xA8") : std::string("小星星");
        std::ofstream(folder / pathFromUtf8(stem + std::to_string(i) + ".dzq")) << "0.1,C";
    }
    double best = 1e9;
    std::size_t items = 0;
    for (int run = 0; run < 5; ++run) {
        RecordingsList list(folder, &systemTextCodec());
        const auto start = std::chrono::steady_clock::now();
        list.fill();
        const auto end = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::milli>(end - start).count());
        items = list.captions().size();
    }
    std::printf("%6d files  %6zu items  %8.2f ms  %6.2f us per file\n", count, items, best, best * 1000 / count);
}

}  // namespace

int main()
{
    const fs::path root = fs::temp_directory_path() / "kelodi-bench-recordings-list";
    fs::remove_all(root);
    std::printf("best of 5 fills of the recordings list (listing, GBK decoding, sorting)\n");
    for (int count : {100, 1000, 10000})
        measure(root, count);
    fs::remove_all(root);
    return 0;
}
