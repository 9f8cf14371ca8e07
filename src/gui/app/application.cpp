#include "gui/app/application.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <QMessageBox>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <memory>

#include "core/midi/midi_log.h"
#include "core/midi/mixer_program.h"
#include "core/midi/midi_port.h"
#include "gui/app/data_folders.h"
#include "gui/app/main_window.h"
#include "gui/desktop/shell.h"
#include "platform/input/auto_repeat.h"
#include "platform/midi/device_catalog.h"

namespace kelodi {

namespace {

const auto ProcessStart = std::chrono::steady_clock::now();

double secondsSinceStart()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - ProcessStart).count();
}

void showStartupError(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Tinsyn - Error"), text, QMessageBox::Ok);
    box.exec();
}

}  // namespace

int runApplication(QApplication& app)
{
    QApplication::setApplicationName(QStringLiteral("Kelodi"));
    // Ties the windows to the desktop entry where the window system asks (Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("cn.kelodi.Kelodi"));

    // Options for headless use, diagnosis and tests; players never need them.
    QCommandLineParser options;
    options.addHelpOption();
    const QCommandLineOption midiLogOption(QStringLiteral("midi-log"),
                                           QStringLiteral("Append every message sent to the port to FILE."),
                                           QStringLiteral("FILE"));
    const QCommandLineOption audioFileOption(QStringLiteral("audio-file"),
                                             QStringLiteral("Render the embedded synthesizer into a WAV FILE."),
                                             QStringLiteral("FILE"));
    const QCommandLineOption audioDriverOption(QStringLiteral("audio-driver"),
                                               QStringLiteral("Force a FluidSynth audio driver."),
                                               QStringLiteral("NAME"));
    const QCommandLineOption soundFontOption(QStringLiteral("soundfont"),
                                             QStringLiteral("Use this General MIDI SoundFont."),
                                             QStringLiteral("FILE"));
    QCommandLineOption startupReportOption(QStringLiteral("startup-report"),
                                           QStringLiteral("Print when the window is shown and the sound is ready."));
    startupReportOption.setFlags(QCommandLineOption::HiddenFromHelp);
    options.addOptions({midiLogOption, audioFileOption, audioDriverOption, soundFontOption, startupReportOption});
    options.addPositionalArgument(QStringLiteral("FILE.dzq"), QStringLiteral("A score to play at start."),
                                  QStringLiteral("[FILE.dzq]"));
    options.process(app);

    std::unique_ptr<MidiLog> log;
    if (options.isSet(midiLogOption)) {
        log = MidiLog::append(options.value(midiLogOption).toStdString(), ProcessStart);
        if (!log)
            std::fprintf(stderr, "kelodi: cannot write the MIDI log %s\n", qPrintable(options.value(midiLogOption)));
    }

    MidiSetup setup;
    setup.programFolder = QCoreApplication::applicationDirPath().toStdString();
    setup.soundFont = options.value(soundFontOption).toStdString();
    setup.audioDriver = options.value(audioDriverOption).toStdString();
    setup.audioFile = options.value(audioFileOption).toStdString();
    std::unique_ptr<MidiDeviceCatalog> devices = createMidiDeviceList(setup);
    const bool reportStartup = options.isSet(startupReportOption);

    // DetectMidiOutputs.
    if (devices->count() == 0) {
        showStartupError(QStringLiteral("Unable to detect any midi output devices.\r\n\r\nTerminating..."));
        return 1;
    }
    // OpenMidiOutput on the mapper.
    MidiPort port(*devices);
    port.setLog(log.get());
    if (!port.open(MidiMapperId)) {
        if (!devices->synthProblem().empty())
            std::fprintf(stderr, "kelodi: %s\n", devices->synthProblem().c_str());
        showStartupError(QStringLiteral("Unable to open midi output device.\r\n\r\nTerminating..."));
        return 1;
    }

    DesktopShell shell;
    MainWindowSetup windowSetup;
    windowSetup.port = &port;
    windowSetup.shell = &shell;
    windowSetup.programFolder = QCoreApplication::applicationDirPath();
    windowSetup.places = findDataPlaces();
    windowSetup.startFile = options.positionalArguments().value(0);
    windowSetup.mixerProgram = findMixerProgram(qEnvironmentVariable("PATH").toStdString());

    // A held key must reach the window as one press: ask the X server to
    // report auto-repeat as repeated presses without releases in between.
#if QT_CONFIG(xcb)
    if (auto* x11 = app.nativeInterface<QNativeInterface::QX11Application>())
        enableDetectableAutoRepeat(x11->display());
#endif

    MainWindow window(windowSetup);
    window.show();

    // The SoundFont finishes loading on its own thread; say so on this one.
    devices->onSoundFontLoaded([&app, reportStartup, catalog = devices.get()](bool loaded) {
        QMetaObject::invokeMethod(&app, [reportStartup, loaded, catalog] {
            if (!loaded && catalog->synthAvailable())
                std::fprintf(stderr, "kelodi: the synthesizer has no sound: %s\n", catalog->synthProblem().c_str());
            if (reportStartup)
                std::fprintf(stderr, "soundfont-%s %.6f\n", loaded ? "loaded" : "failed", secondsSinceStart());
        }, Qt::QueuedConnection);
    });
    if (reportStartup)
        QTimer::singleShot(0, &app, [] { std::fprintf(stderr, "window-shown %.6f\n", secondsSinceStart()); });
    const int status = app.exec();
    port.close();
    return status;
}

}  // namespace kelodi
