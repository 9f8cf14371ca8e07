// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/application.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/app/program_info.h"
#include "core/midi/midi_log.h"
#include "core/midi/mixer_program.h"
#include "core/midi/midi_port.h"
#include "gui/app/data_folders.h"
#include "gui/app/main_window.h"
#include "gui/app/qt_translations.h"
#include "gui/app/startup_failure.h"
#include "gui/app/termination_signals.h"
#include "gui/desktop/shell.h"
#include "platform/input/auto_repeat.h"
#include "platform/midi/device_catalog.h"
#include "platform/midi/system_inputs.h"

namespace kelodi {

namespace {

const auto ProcessStart = std::chrono::steady_clock::now();

double secondsSinceStart()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - ProcessStart).count();
}

// Options for headless use, diagnosis and tests; players never need them.
struct CommandLine {
    QCommandLineOption midiLog{QStringLiteral("midi-log"), QStringLiteral("Append every message sent to the port to FILE."),
                               QStringLiteral("FILE")};
    QCommandLineOption audioFile{QStringLiteral("audio-file"),
                                 QStringLiteral("Render the embedded synthesizer into a WAV FILE."), QStringLiteral("FILE")};
    QCommandLineOption audioDriver{QStringLiteral("audio-driver"), QStringLiteral("Force a FluidSynth audio driver."),
                                   QStringLiteral("NAME")};
    QCommandLineOption soundFont{QStringLiteral("soundfont"), QStringLiteral("Use this General MIDI SoundFont."),
                                 QStringLiteral("FILE")};
    QCommandLineOption midiInput{QStringLiteral("midi-input"),
                                 QStringLiteral("Play from this MIDI input port (JACK: client:port)."),
                                 QStringLiteral("NAME")};
    QCommandLineOption startupReport{QStringLiteral("startup-report"),
                                     QStringLiteral("Print when the window is shown and the sound is ready.")};
    QCommandLineParser parser;
    QCommandLineOption help = parser.addHelpOption();
    QCommandLineOption version = parser.addVersionOption();

    CommandLine()
    {
        startupReport.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOptions({midiLog, audioFile, audioDriver, soundFont, midiInput, startupReport});
        parser.addPositionalArgument(QStringLiteral("FILE.dzq"), QStringLiteral("A score to play at start."),
                                     QStringLiteral("[FILE.dzq]"));
    }
};

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Kelodi"));
    QCoreApplication::setApplicationVersion(QString::fromStdString(versionText()));
}

// The log of --midi-log, or none; a log that cannot be written is reported
// and the program runs without it.
std::unique_ptr<MidiLog> openMidiLog(const CommandLine& options)
{
    if (!options.parser.isSet(options.midiLog))
        return nullptr;
    std::unique_ptr<MidiLog> log = MidiLog::append(options.parser.value(options.midiLog).toStdString(), ProcessStart);
    if (!log)
        std::fprintf(stderr, "kelodi: cannot write the MIDI log %s\n",
                     options.parser.value(options.midiLog).toUtf8().constData());
    return log;
}

MidiSetup midiSetup(const CommandLine& options)
{
    MidiSetup setup;
    setup.programFolder = QCoreApplication::applicationDirPath().toStdString();
    setup.soundFont = options.parser.value(options.soundFont).toStdString();
    setup.audioDriver = options.parser.value(options.audioDriver).toStdString();
    setup.audioFile = options.parser.value(options.audioFile).toStdString();
    return setup;
}

MainWindowSetup mainWindowSetup(MidiPort& port, MidiInputList& inputs, DesktopShell& shell, const CommandLine& options)
{
    MainWindowSetup setup;
    setup.port = &port;
    setup.inputs = &inputs;
    setup.midiInput = options.parser.value(options.midiInput);
    setup.shell = &shell;
    setup.programFolder = QCoreApplication::applicationDirPath();
    setup.places = findDataPlaces();
    setup.startFile = options.parser.positionalArguments().value(0);
    setup.mixerProgram = findMixerProgram(qEnvironmentVariable("PATH").toStdString());
    return setup;
}

// A held key must reach the window as one press: ask the X server to
// report auto-repeat as repeated presses without releases in between.
void askForOnePressPerHeldKey(QApplication& app)
{
#if QT_CONFIG(xcb)
    if (auto* x11 = app.nativeInterface<QNativeInterface::QX11Application>())
        enableDetectableAutoRepeat(x11->display());
#else
    Q_UNUSED(app);
#endif
}

// The SoundFont finishes loading on its own thread; say so on this one. With
// --startup-report, also print when the window is up and when the sound is.
void reportSoundStart(QApplication& app, MidiDeviceCatalog& devices, bool reportStartup)
{
    devices.onSoundFontLoaded([&app, reportStartup, catalog = &devices](bool loaded) {
        QMetaObject::invokeMethod(&app, [reportStartup, loaded, catalog] {
            if (!loaded && catalog->synthAvailable())
                std::fprintf(stderr, "kelodi: the synthesizer has no sound: %s\n", catalog->synthProblem().c_str());
            if (reportStartup)
                std::fprintf(stderr, "soundfont-%s %.6f\n", loaded ? "loaded" : "failed", secondsSinceStart());
        }, Qt::QueuedConnection);
    });
    if (reportStartup)
        QTimer::singleShot(0, &app, [] { std::fprintf(stderr, "window-shown %.6f\n", secondsSinceStart()); });
}

}  // namespace

bool asksForInformationOnly(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--") == 0)
            break;
        for (const char* option : {"-h", "--help", "-?", "--help-all", "-v", "--version"})
            if (std::strcmp(arg, option) == 0)
                return true;
    }
    return false;
}

int printInformation(QCoreApplication& app)
{
    nameApplication();
    CommandLine options;
    if (!options.parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "kelodi: %s\n", options.parser.errorText().toUtf8().constData());
        return 1;
    }
    if (options.parser.isSet(options.version))
        std::printf("%s\n", programTitle().c_str());
    else
        std::printf("%s", options.parser.helpText().toUtf8().constData());
    Q_UNUSED(app);
    return 0;
}

int runApplication(QApplication& app, const QStringList& arguments)
{
    nameApplication();
    // Ties the windows to the desktop entry where the window system asks (Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("cn.kelodi.kelodi"));
    installQtChineseTexts(app);

    CommandLine options;
    options.parser.process(arguments);
    std::unique_ptr<MidiLog> log = openMidiLog(options);
    std::unique_ptr<MidiDeviceCatalog> devices = createMidiDeviceList(midiSetup(options));

    // Without a single MIDI output there is nothing to play on.
    if (devices->count() == 0) {
        reportStartupFailure(StartupFailure::NoMidiOutput, *devices);
        return 1;
    }
    // The program's one output port, opened on the mapper.
    MidiPort port(*devices);
    port.setLog(log.get());
    if (!port.open(MidiMapperId)) {
        reportStartupFailure(StartupFailure::MapperWontOpen, *devices);
        return 1;
    }
    DesktopShell shell;
    askForOnePressPerHeldKey(app);
    std::unique_ptr<MidiInputList> inputs = createMidiInputList();
    MainWindow window(mainWindowSetup(port, *inputs, shell, options));
    // Ended from outside (logout, the terminal closed, Ctrl+C), the program
    // ends as its exit command ends it: every note stops and the port closes.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::received, &window, [&window] {
        if (!window.isClosing())
            window.requestExit();
    });
    window.show();

    reportSoundStart(app, *devices, options.parser.isSet(options.startupReport));
    const int status = app.exec();
    port.close();
    return status;
}

}  // namespace kelodi
