// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/midi/midi_log.h"
#include "core/fakes/recording_midi.h"

namespace kelodi {
namespace {

using test::RecordingDeviceList;

TEST(MidiPort, SendsEachOperationImmediatelyAsOneMessage)
{
    RecordingDeviceList devices;
    MidiPort port(devices);
    ASSERT_TRUE(port.open(MidiMapperId));
    port.sendNoteOn(0, 60);
    port.sendNoteOff(0, 60);
    port.sendProgramChange(3, 9);
    port.sendControlChange(15, Controller::Sustain, 127);
    port.sendShortMessage(0x00400AB0u);
    EXPECT_EQ(devices.journal.messages,
              (std::vector<ShortMessage>{0x00643C90u, 0x00003C80u, 0x000009C3u, 0x007F40BFu, 0x00400AB0u}));
}

// A port whose close takes long, as one on a server that no longer answers:
// it waits until `released`, or two seconds at most.
struct SlowClosingDevices : MidiDeviceList {
    struct Out : MidiOut {
        explicit Out(SlowClosingDevices& devices) : devices(devices) {}
        void send(ShortMessage message) override { devices.sent.push_back(message); }
        void reset() override {}
        void close() override
        {
            devices.closing = true;
            std::unique_lock lock(devices.mutex);
            devices.releasedChanged.wait_for(lock, std::chrono::seconds(2), [&] { return devices.released; });
            devices.closed = true;
        }
        SlowClosingDevices& devices;
    };
    int count() const override { return 2; }
    MidiDeviceCaps caps(int) const override { return {}; }
    std::unique_ptr<MidiOut> open(int) override { return std::make_unique<Out>(*this); }

    std::vector<ShortMessage> sent;
    std::atomic<bool> closing{false};
    std::atomic<bool> closed{false};
    std::mutex mutex;
    std::condition_variable releasedChanged;
    bool released = false;
};

// Another thread's sends never wait for a device switch closing the old port.
TEST(MidiPort, SendsDuringADeviceSwitchDoNotWaitForTheOldPortToClose)
{
    SlowClosingDevices devices;
    MidiPort port(devices);
    ASSERT_TRUE(port.open(0));
    port.sendNoteOn(0, 60);
    std::thread window([&] { port.open(1); });
    while (!devices.closing)
        std::this_thread::yield();
    port.sendNoteOff(0, 60);  // from the keyboard's thread, while the old port closes
    EXPECT_FALSE(devices.closed) << "the send waited for the close";
    {
        std::lock_guard lock(devices.mutex);
        devices.released = true;
    }
    devices.releasedChanged.notify_all();
    window.join();
    port.sendNoteOn(0, 62);
    EXPECT_EQ(devices.sent, (std::vector<ShortMessage>{0x643C90u, 0x643E90u})) << "the new port hears what follows";
}

TEST(MidiPort, ClosedPortDropsMessagesAndIgnoresResetAndClose)
{
    RecordingDeviceList devices;
    devices.refusingId = 0;
    MidiPort port(devices);
    EXPECT_FALSE(port.open(0));
    EXPECT_FALSE(port.isOpen());
    port.sendNoteOn(0, 60);
    port.reset();
    port.close();
    EXPECT_TRUE(devices.journal.messages.empty());
    EXPECT_EQ(devices.journal.events, std::vector<std::string>{"open-failed 0"});
}

TEST(MidiPort, ReopeningClosesThePreviousPortFirst)
{
    RecordingDeviceList devices(2);
    MidiPort port(devices);
    port.open(MidiMapperId);
    port.open(1);
    EXPECT_EQ(devices.journal.events, (std::vector<std::string>{"open -1", "close", "open 1"}));
    port.close();
    EXPECT_FALSE(port.isOpen());
}

TEST(MidiLog, RecordsMessagesAndPortEventsOneLineEach)
{
    const std::string path = ::testing::TempDir() + "kelodi_midi_log_test.log";
    std::remove(path.c_str());
    {
        RecordingDeviceList devices;
        devices.refusingId = 0;
        auto log = MidiLog::append(path, std::chrono::steady_clock::now());
        ASSERT_TRUE(log);
        MidiPort port(devices);
        port.setLog(log.get());
        port.open(MidiMapperId);
        port.sendNoteOn(0, 60);
        port.reset();
        port.close();
        port.open(0);
        // Nothing reaches a port that is not open, so nothing is logged.
        port.sendNoteOff(0, 60);
    }
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "# open -1");
    EXPECT_TRUE(lines[1].ends_with(" 90 3C 64 00")) << lines[1];
    EXPECT_EQ(lines[2], "# reset");
    EXPECT_EQ(lines[3], "# close");
    EXPECT_EQ(lines[4], "# open-failed 0");
    std::remove(path.c_str());
}

// The keyboard's thread and the window's log at once: every line whole, the
// times never going back.
TEST(MidiLog, TwoThreadsWriteWholeLinesInTheOrderOfTheirTimes)
{
    const std::string path = ::testing::TempDir() + "kelodi_midi_log_threads.log";
    std::remove(path.c_str());
    constexpr int PerThread = 20000;
    {
        auto log = MidiLog::append(path, std::chrono::steady_clock::now());
        ASSERT_TRUE(log);
        std::thread keyboard([&] {
            for (int i = 0; i < PerThread; ++i)
                log->message(0x00643C90u);
        });
        for (int i = 0; i < PerThread; ++i)
            log->message(0x00003C80u);
        keyboard.join();
    }
    std::ifstream in(path);
    int lines = 0;
    double last = 0;
    for (std::string line; std::getline(in, line); ++lines) {
        ASSERT_TRUE(line.ends_with(" 90 3C 64 00") || line.ends_with(" 80 3C 00 00")) << line;
        const double seconds = std::stod(line);
        ASSERT_GE(seconds, last) << "line " << lines;
        last = seconds;
    }
    EXPECT_EQ(lines, 2 * PerThread);
    std::remove(path.c_str());
}

TEST(MidiLog, FormatsSecondsWithSixDecimalsAndUpperCaseHex)
{
    EXPECT_EQ(MidiLog::formatMessage(0.512345, 0x00643C90u), "0.512345 90 3C 64 00");
    EXPECT_EQ(MidiLog::formatMessage(12.0, 0x007F40BFu), "12.000000 BF 40 7F 00");
}

}  // namespace
}  // namespace kelodi
