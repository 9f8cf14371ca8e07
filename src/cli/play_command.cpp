// SPDX-License-Identifier: GPL-3.0-or-later
// `play`: a score played in real time on a MIDI device, with the player's
// timing, through the same key path as the window.

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "cli/blocking_scheduler.h"
#include "cli/score_tool.h"
#include "core/midi/device_menu.h"
#include "core/midi/midi_port.h"
#include "core/recording/player.h"
#include "core/recording/song_export.h"
#include "platform/console/console_io.h"
#include "platform/midi/device_catalog.h"
#include "platform/midi/system_inputs.h"

namespace kelodi::cli {

namespace {

// How long the embedded synthesizer may take to read its SoundFont.
constexpr std::chrono::seconds SoundFontWait(60);
constexpr int PortListRetries = 4;
constexpr std::chrono::milliseconds PortListPause(250);

std::atomic<bool> g_stopPlaying{false};

// The device menu's items: the mapper, then every device by its number. The
// mapper is named as in the menu, without the menu's access key "(&Y)".
void listDevices(const MidiDeviceCatalog& devices)
{
    std::string mapper = DeviceMenu::MapperCaption;
    if (const auto accessKey = mapper.rfind("(&"); accessKey != std::string::npos)
        mapper.erase(accessKey);
    std::string out = "-1\t" + mapper + "\n";
    for (int id = 0; id < devices.count(); ++id)
        out += std::to_string(id) + "\t" + devices.deviceName(id) + "\n";
    // The input ports, under the names `kelodi --midi-input` takes.
    for (const std::string& name : createMidiInputList()->names())
        out += "in\t" + name + "\n";
    writeText(stdout, out);
}

bool playsOnTheSynth(const MidiDeviceCatalog& devices, int id)
{
    return devices.synthAvailable() && (id == devices.synthDeviceId() || (id == MidiMapperId && devices.portApi() != "WinMM"));
}

// Plays the events to the open port until the end or a stop request; every
// key is released either way. False when stopped.
bool playEvents(MidiPort& port, const RecordingEvents& events, const ReplaySettings& settings)
{
    ReplayKeys keys(port, settings);
    keys.sendProgram();
    KeyPathPresser& presser = keys.presser();

    SteadyClock clock;
    BlockingScheduler scheduler(clock, g_stopPlaying);
    Player player(presser);
    std::function<void()> fire = [&] {
        // Nothing more is played to a device that has gone away.
        if (port.deviceLost())
            return;
        player.fireDue(clock.now());
        if (const std::optional<double> due = player.nextDueTime())
            scheduler.callAt(*due, fire);
    };
    player.start(events, clock.now());
    if (const std::optional<double> due = player.nextDueTime())
        scheduler.callAt(*due, fire);
    const bool finished = scheduler.run();
    // The stop that ends every replay, at the end or on Ctrl+C.
    player.stop();
    Player::releaseAllKeys(presser);
    return finished;
}

}  // namespace

int play(const Arguments& arguments)
{
    std::string error;
    const std::optional<int> device = integerOption(arguments, "--device", MidiMapperId, 9999, MidiMapperId, error);
    const std::optional<ReplaySettings> settings = replaySettings(arguments, error);
    if (!device || !settings) {
        printError(error);
        return ExitFailure;
    }
    const bool list = arguments.flags.count("--list-devices") != 0;
    RecordingFile file;
    if (!list || !arguments.operands.empty()) {
        if (const int status = loadScore(arguments.operands.at(0), file); status != ExitOk)
            return status;
    }

    MidiSetup setup;
    setup.programFolder = programFolder();
    if (const auto soundFont = arguments.options.find("--soundfont"); soundFont != arguments.options.end())
        setup.soundFont = soundFont->second;
    std::unique_ptr<MidiDeviceCatalog> devices = createMidiDeviceList(setup);
    if (list) {
        listDevices(*devices);
        return ExitOk;
    }
    // A sound server that is slow to answer (JACK on a busy machine) can
    // leave the port list short; a device asked for by number gets a few
    // more readings before it counts as missing.
    for (int tries = 0; *device >= devices->count() && tries < PortListRetries; ++tries) {
        std::this_thread::sleep_for(PortListPause);
        devices = createMidiDeviceList(setup);
    }
    if (*device >= devices->count()) {
        printError("no device " + std::to_string(*device) + " (see --list-devices)");
        return ExitFailure;
    }
    if (playsOnTheSynth(*devices, *device) && !devices->waitForSoundFont(SoundFontWait)) {
        printError("the synthesizer cannot play: " + devices->synthProblem());
        return ExitFailure;
    }
    MidiPort port(*devices);
    if (!port.open(*device)) {
        // A mapper with no device behind it may have no name to give.
        const std::string name = devices->deviceName(*device);
        printError("cannot open device " + std::to_string(*device) + (name.empty() ? "" : " (" + name + ")"));
        return ExitFailure;
    }

    setStopFlag(&g_stopPlaying);
    const PreciseSleeps preciseSleeps;
    const bool finished = playEvents(port, file.events, *settings);
    if (port.deviceLost()) {
        port.close();
        const std::string name = devices->deviceName(*device);
        printError("device " + std::to_string(*device) + (name.empty() ? "" : " (" + name + ")") +
                   " went away during playback");
        return ExitFailure;
    }
    // Closing lets the messages still queued for the device leave first.
    port.close();
    return finished ? ExitOk : ExitInterrupted;
}

}  // namespace kelodi::cli
