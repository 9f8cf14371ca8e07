// SPDX-License-Identifier: GPL-3.0-or-later
// kelodi-dzq's command line: what each wrong call says and ends with, the
// ranges of the options at both ends, and that an accepted option reaches
// what is written.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "cli/score_tool_run.h"
#include "core/midi/smf_bytes.h"

namespace kelodi::test {
namespace {

// Key C, then key c (an octave above), released after 0.2 s.
constexpr const char* Score = "0.1,C|0.2,c|0.2,\xcc\xa7\xc6\xf0\r\n";

class ScoreToolArguments : public ScoreToolTest {
protected:
    void SetUp() override
    {
        ScoreToolTest::SetUp();
        write("a.dzq", Score);
        write("empty.dzq", "\xc7\xd9\xbc\xfc\xb1\xb6\xca\xfd:1\r\n");  // 琴键倍数:1, GBK
        // One note, C4 for 96 ticks at 96 ticks a quarter.
        write("tune.mid", smf(0, 96, {bytes({0x00, 0x90, 0x3C, 0x64, 0x60, 0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00})}));
    }

    // Runs the tool and checks the whole result; the folder must hold only
    // the files the fixture wrote and `made`.
    void expectRun(const std::vector<std::string>& args, int status, const std::string& err,
                   const std::string& out = {}, std::vector<std::string> made = {})
    {
        std::string call;
        for (const std::string& a : args)
            call += " " + a;
        SCOPED_TRACE("kelodi-dzq" + call);
        const ToolRun result = run(args);
        EXPECT_EQ(result.status, status);
        EXPECT_EQ(ownLines(result.err), err);
        EXPECT_EQ(result.out, out);
        made.insert(made.end(), {"a.dzq", "empty.dzq", "tune.mid"});
        std::sort(made.begin(), made.end());
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(m_folder))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, made);
        for (const std::string& name : made)
            if (name != "a.dzq" && name != "empty.dzq" && name != "tune.mid")
                std::filesystem::remove(m_folder / name);
    }

    std::string usage(const std::string& reason = {}) const
    {
        return (reason.empty() ? "" : "kelodi-dzq: " + reason + "\n") + usageText();
    }
};

TEST_F(ScoreToolArguments, HelpAndVersionOnStdout)
{
    expectRun({"--help"}, 0, "", usageText());
    expectRun({"-h"}, 0, "", usageText());
    expectRun({"--version"}, 0, "", "kelodi-dzq 7.90\n");
    // The synopsis of every command heads the help.
    EXPECT_EQ(usageText().substr(0, usageText().find("\n\n") + 1),
              "usage: kelodi-dzq events FILE\n"
              "       kelodi-dzq convert IN OUT\n"
              "       kelodi-dzq midi IN.dzq OUT.mid [PANEL]\n"
              "       kelodi-dzq render IN.dzq OUT.wav [PANEL] [--soundfont F]\n"
              "       kelodi-dzq play IN.dzq [PANEL] [--device N] [--soundfont F]\n"
              "       kelodi-dzq play --list-devices\n"
              "       kelodi-dzq from-midi IN.mid OUT.dzq [--track N] [--channel C]\n"
              "                            [--transpose auto|keep|N]\n"
              "       kelodi-dzq from-midi --list IN.mid [--transpose auto|keep|N]\n"
              "       kelodi-dzq jianpu IN.dzq [--time 3/4]\n"
              "       kelodi-dzq --version | --help\n");
}

TEST_F(ScoreToolArguments, AWrongCallShowsTheUsageOnStderrWithTheReason)
{
    expectRun({}, 2, usage());
    expectRun({"jump", "a.dzq"}, 2, usage());
    expectRun({"--help", "events"}, 2, usage());
    expectRun({"--version", "a.dzq"}, 2, usage());
    expectRun({"events"}, 2, usage());
    expectRun({"events", "a.dzq", "more"}, 2, usage());
    expectRun({"convert", "a.dzq"}, 2, usage());
    expectRun({"convert", "a.dzq", "b.dzq", "c.dzq"}, 2, usage());
    expectRun({"midi", "a.dzq"}, 2, usage("midi takes 2 files"));
    expectRun({"render", "a.dzq", "a.wav", "b.wav"}, 2, usage("render takes 2 files"));
    expectRun({"play"}, 2, usage("play takes 1 file"));
    expectRun({"play", "a.dzq", "empty.dzq"}, 2, usage("play takes 1 file"));
    expectRun({"play", "--list-devices", "a.dzq", "empty.dzq"}, 2, usage("play takes 1 file"));
    expectRun({"from-midi", "tune.mid"}, 2, usage("from-midi takes 2 files"));
    // Each command knows its own options only.
    expectRun({"midi", "a.dzq", "a.mid", "--speed", "2"}, 2, usage("unknown option --speed"));
    expectRun({"midi", "a.dzq", "a.mid", "--soundfont", "x.sf2"}, 2, usage("unknown option --soundfont"));
    expectRun({"midi", "a.dzq", "a.mid", "--list-devices"}, 2, usage("unknown option --list-devices"));
    expectRun({"render", "a.dzq", "a.wav", "--device", "0"}, 2, usage("unknown option --device"));
    expectRun({"play", "--list-devices=1"}, 2, usage("unknown option --list-devices=1"));
    expectRun({"from-midi", "tune.mid", "t.dzq", "--program", "1"}, 2, usage("unknown option --program"));
    expectRun({"midi", "a.dzq", "a.mid", "--program"}, 2, usage("--program needs a value"));
    expectRun({"from-midi", "tune.mid", "t.dzq", "--track"}, 2, usage("--track needs a value"));
}

TEST_F(ScoreToolArguments, OptionsOutsideTheirRangeAreRefusedBeforeAnyFileIsTouched)
{
    const auto range = [](const std::string& option, int low, int high, const std::string& given) {
        return "kelodi-dzq: " + option + " takes a whole number from " + std::to_string(low) + " to " +
               std::to_string(high) + ", not \"" + given + "\"\n";
    };
    for (const char* command : {"midi", "render"}) {
        const std::string out = command == std::string("midi") ? "a.mid" : "a.wav";
        expectRun({command, "a.dzq", out, "--program", "128"}, 2, range("--program", 0, 127, "128"));
        expectRun({command, "a.dzq", out, "--program=-1"}, 2, range("--program", 0, 127, "-1"));
        expectRun({command, "a.dzq", out, "--channel", "16"}, 2, range("--channel", 0, 15, "16"));
        expectRun({command, "a.dzq", out, "--channel", "-1"}, 2, range("--channel", 0, 15, "-1"));
        expectRun({command, "a.dzq", out, "--chord", "11"}, 2, range("--chord", 0, 10, "11"));
        expectRun({command, "a.dzq", out, "--chord", "-1"}, 2, range("--chord", 0, 10, "-1"));
        expectRun({command, "a.dzq", out, "--octave", "5"}, 2, range("--octave", -3, 4, "5"));
        expectRun({command, "a.dzq", out, "--octave", "-4"}, 2, range("--octave", -3, 4, "-4"));
    }
    // Whole numbers only, and nothing around them.
    expectRun({"midi", "a.dzq", "a.mid", "--chord", "two"}, 2, range("--chord", 0, 10, "two"));
    expectRun({"midi", "a.dzq", "a.mid", "--octave", "1.5"}, 2, range("--octave", -3, 4, "1.5"));
    expectRun({"midi", "a.dzq", "a.mid", "--program", " 5"}, 2, range("--program", 0, 127, " 5"));
    expectRun({"midi", "a.dzq", "a.mid", "--program=5x"}, 2, range("--program", 0, 127, "5x"));
    expectRun({"midi", "a.dzq", "a.mid", "--program="}, 2, range("--program", 0, 127, ""));
    // play says so before it reads the score or looks for a device.
    expectRun({"play", "missing.dzq", "--device", "-2"}, 2, range("--device", -1, 9999, "-2"));
    expectRun({"play", "missing.dzq", "--device", "10000"}, 2, range("--device", -1, 9999, "10000"));
    expectRun({"play", "missing.dzq", "--octave", "-4"}, 2, range("--octave", -3, 4, "-4"));
    expectRun({"from-midi", "tune.mid", "t.dzq", "--track", "0"}, 2, range("--track", 1, 65535, "0"));
    expectRun({"from-midi", "tune.mid", "t.dzq", "--track", "65536"}, 2, range("--track", 1, 65535, "65536"));
    expectRun({"from-midi", "tune.mid", "t.dzq", "--channel", "16"}, 2, range("--channel", 0, 15, "16"));
    expectRun({"from-midi", "tune.mid", "t.dzq", "--channel=-1"}, 2, range("--channel", 0, 15, "-1"));
}

TEST_F(ScoreToolArguments, OptionsAtTheEndsOfTheirRangesReachTheFile)
{
    // Program 127 on channel 15, three octaves down: key 0 sounds note 0,
    // key 12 note 12, both held until the release of every key; in either
    // order of options and operands.
    const std::string expected =
        "MThd" + bytes({0, 0, 0, 6, 0, 0, 0, 1, 0x03, 0xE8}) +
        chunk("MTrk", bytes({0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40,  // 1 ms a tick
                             0x00, 0xCF, 0x7F,                          // program 127, channel 15
                             0x64, 0x9F, 0x00, 0x64,                    // 100 ms: key 0 on
                             0x81, 0x48, 0x9F, 0x0C, 0x64,              // 200 ms later: key 12 on
                             0x81, 0x48, 0x8F, 0x00, 0x00,              // 200 ms later: both off
                             0x00, 0x8F, 0x0C, 0x00,                    //
                             0x87, 0x68, 0xFF, 0x2F, 0x00}));           // the end a second later
    for (const std::vector<std::string>& call :
         {std::vector<std::string>{"midi", "a.dzq", "a.mid", "--program", "127", "--channel=15", "--octave", "-3"},
          std::vector<std::string>{"midi", "--octave=-3", "--channel", "15", "a.dzq", "--program=127", "a.mid"}}) {
        expectRun(call, 0, "", "", {"a.mid"});
        // expectRun removed it; once more to read it.
        ASSERT_EQ(run(call).status, 0);
        EXPECT_EQ(contents(m_folder / "a.mid"), expected);
        std::filesystem::remove(m_folder / "a.mid");
    }
    // The other ends: the highest chord type and octave, the lowest program
    // and channel; a later option of the same name wins.
    expectRun({"midi", "a.dzq", "a.mid", "--chord", "10", "--octave", "4", "--program", "0", "--channel", "0",
               "--chord", "10"},
              0, "", "", {"a.mid"});
    expectRun({"midi", "a.dzq", "a.mid", "--chord", "0", "--octave", "-3", "--chord", "11"}, 2,
              "kelodi-dzq: --chord takes a whole number from 0 to 10, not \"11\"\n");
}

TEST_F(ScoreToolArguments, ExitStatusesAndMessagesOfEachOutcome)
{
    expectRun({"events", "a.dzq"}, 0, "", "0.100000\t0\n0.200000\t12\n0.200000\t9999\n");
    expectRun({"events", "empty.dzq"}, 1, "kelodi-dzq: empty.dzq: 文件中没有可播放的音符！ (no key press in the file)\n");
    expectRun({"midi", "empty.dzq", "a.mid"}, 1,
              "kelodi-dzq: empty.dzq: 文件中没有可播放的音符！ (no key press in the file)\n");
    expectRun({"events", "missing.dzq"}, 2, "kelodi-dzq: cannot read missing.dzq: No such file or directory\n");
    // A name's control characters reach the terminal escaped, never as themselves.
    expectRun({"events", "\x1b[2J\x7f.dzq"}, 2, "kelodi-dzq: cannot read \\x1B[2J\\x7F.dzq: No such file or directory\n");
    expectRun({"convert", "a.dzq", "no-folder/b.dzq"}, 2,
              "kelodi-dzq: cannot write no-folder/b.dzq: cannot create a file in the folder: No such file or directory\n");
    expectRun({"render", "a.dzq", "a.wav", "--soundfont", "a.dzq"}, 2, "kelodi-dzq: a.dzq is no readable SoundFont\n");
    expectRun({"from-midi", "a.dzq", "t.dzq"}, 2, "kelodi-dzq: cannot read a.dzq: not a MIDI file (no MThd header)\n");
    expectRun({"from-midi", "tune.mid", "t.dzq", "--track", "65535"}, 2,
              "kelodi-dzq: tune.mid: no track 65535 (the file has 1 track)\n");
    expectRun({"from-midi", "tune.mid", "t.dzq", "--channel", "15"}, 1,
              "kelodi-dzq: tune.mid: no notes to take (try --track or --channel)\n");
    expectRun({"from-midi", "tune.mid", "t.dzq", "--track=1", "--channel=0"}, 0,
              "kelodi-dzq: tune.mid: track 1, channel 0: 1 melody notes of 1, key C (estimated from the notes), not moved, 0 folded into range\n", "",
              {"t.dzq"});
    // Asked for by number, a device the system does not have.
    expectRun({"play", "a.dzq", "--device", "9999"}, 2, "kelodi-dzq: no device 9999 (see --list-devices)\n");
}

// Points the tool's JACK client at a server of its own name that never runs,
// so that ports other tests open on the suite's server beside this one cannot
// change the device list between two runs.
class NoJackServer {
public:
    NoJackServer()
    {
        set("JACK_DEFAULT_SERVER", "kelodi-cli-none-" + std::to_string(::getpid()));
        set("JACK_NO_START_SERVER", "1");
    }
    ~NoJackServer()
    {
        for (const auto& [name, value] : m_old) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }
    NoJackServer(const NoJackServer&) = delete;
    NoJackServer& operator=(const NoJackServer&) = delete;

private:
    void set(const std::string& name, const std::string& value)
    {
        const char* old = std::getenv(name.c_str());
        m_old.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        ::setenv(name.c_str(), value.c_str(), 1);
    }

    std::vector<std::pair<std::string, std::optional<std::string>>> m_old;
};

// The device list numbers the devices as the window's menu does: the
// mapper as -1, then 0, 1, ... one a line, each with its name; the first
// number past the list is no device.
TEST_F(ScoreToolArguments, DeviceListNumbersEveryDeviceFromTheMapperOn)
{
    const NoJackServer stableList;
    const ToolRun result = run({"play", "--list-devices"});
    ASSERT_EQ(result.status, 0) << result.err;
    int expected = -1;
    std::size_t start = 0;
    while (start < result.out.size()) {
        const std::size_t end = result.out.find('\n', start);
        ASSERT_NE(end, std::string::npos) << "unfinished line";
        const std::string line = result.out.substr(start, end - start);
        const std::string number = std::to_string(expected++) + "\t";
        EXPECT_EQ(line.substr(0, number.size()), number) << line;
        EXPECT_GT(line.size(), number.size()) << "no name: " << line;
        start = end + 1;
    }
    EXPECT_GE(expected, 0) << "not even the mapper is listed";
    const std::string past = std::to_string(expected);
    expectRun({"play", "a.dzq", "--device", past}, 2, "kelodi-dzq: no device " + past + " (see --list-devices)\n");
}

}  // namespace
}  // namespace kelodi::test
