// SPDX-License-Identifier: GPL-3.0-or-later
// Reading speed of the .dzq reader: a jianpu score at the 99,999-line limit
// and a key-name file of 10 MB, each also at 1/8, 1/4 and 1/2 of that size to
// show how the time grows. Files are generated in a temporary folder, GBK
// encoded with CR LF line ends as the program writes them; the time includes
// reading the file, decoding and parsing.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/recording/dzq_format.h"
#include "platform/text/system_text_codec.h"

namespace {

namespace fs = std::filesystem;
using namespace kelodi;

std::string jianpuScore(int lines)
{
    static const char* const bars[] = {"1,0.5|1,0.5|5,0.5|5,0.5", "6,0.5|6,0.5|5,1", "4,0.5|4,0.5|3,0.5|3,0.5",
                                       "2,0.5|2,0.5|1,1", "#4+,0.25|5++,0.25|1-,0.5|0,1"};
    std::string text = "简谱倍数:1\r\n音符比例:0.8\r\n音符最长:2\r\n";
    for (int i = 3; i < lines; ++i) {
        text += bars[i % 5];
        text += "\r\n";
    }
    return systemTextCodec().utf8ToGbk(text).value();
}

std::string keyNameFile(std::size_t bytes)
{
    RecordingEvents line;
    for (int i = 0; i < 16; ++i) {
        const float delay = 0.125f + 0.001f * static_cast<float>(i);
        line.append(i % 2 ? KeyEvent::releaseAll(delay) : KeyEvent::press(delay, (i * 7) % 44));
    }
    // One long line of 16 events per text line keeps 10 MB under the line
    // limit (the writer's four events per line would pass it at 6 MB).
    std::string body = formatRecordingText(line);
    body = body.substr(body.find("\r\n") + 2);
    body.erase(std::remove(body.begin(), body.end(), '\r'), body.end());
    body.erase(std::remove(body.begin(), body.end(), '\n'), body.end());
    body += "\r\n";
    const std::string gbkBody = systemTextCodec().utf8ToGbk(body).value();
    std::string file = systemTextCodec().utf8ToGbk("琴键倍数:1\r\n").value();
    while (file.size() < bytes)
        file += gbkBody;
    return file;
}

double millisecondsToRead(const fs::path& path, std::size_t& events)
{
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const std::optional<RecordingFile> file = readRecordingFile(path, systemTextCodec());
        const auto end = std::chrono::steady_clock::now();
        events = file ? file->events.size() : 0;
        best = std::min(best, std::chrono::duration<double, std::milli>(end - start).count());
    }
    return best;
}

void measure(const char* label, const fs::path& folder, const std::string& bytes)
{
    const fs::path path = folder / "score.dzq";
    std::ofstream(path, std::ios::binary) << bytes;
    std::size_t events = 0;
    const double ms = millisecondsToRead(path, events);
    std::printf("%-22s %10zu bytes %9zu events %9.2f ms %8.1f MB/s\n", label, bytes.size(), events, ms,
                static_cast<double>(bytes.size()) / 1e6 / (ms / 1000.0));
}

}  // namespace

int main()
{
    const fs::path folder = fs::temp_directory_path() / "kelodi-bench-dzq-reader";
    fs::create_directories(folder);
    std::printf("best of 5 reads (file read + decoding + parsing)\n");
    for (const int lines : {12500, 25000, 50000, 99999}) {
        const std::string label = "jianpu " + std::to_string(lines) + " lines";
        measure(label.c_str(), folder, jianpuScore(lines));
    }
    for (const std::size_t kb : {1250u, 2500u, 5000u, 10000u}) {
        const std::string label = "key names " + std::to_string(kb / 1000.0).substr(0, 5) + " MB";
        measure(label.c_str(), folder, keyNameFile(kb * 1000u));
    }
    fs::remove_all(folder);
    return 0;
}
