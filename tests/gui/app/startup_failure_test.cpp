// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

#include <filesystem>

#include "gui/app/application.h"
#include "gui/app/startup_failure.h"
#include "gui/midi/modal_helper.h"
#include "platform/midi/device_catalog.h"
#include "platform/midi/soundfont_search.h"
#include "platform/midi/system_ports.h"

namespace kelodi {
namespace {

// A JACK server name nobody uses, for as long as it lives; the tests that
// follow in the same process find the suite's server again.
class AbsentJackServer {
public:
    AbsentJackServer() : m_before(qgetenv("JACK_DEFAULT_SERVER")), m_was(qEnvironmentVariableIsSet("JACK_DEFAULT_SERVER"))
    {
        qputenv("JACK_DEFAULT_SERVER", "kelodi-absent-startup-test");
    }
    ~AbsentJackServer()
    {
        if (m_was)
            qputenv("JACK_DEFAULT_SERVER", m_before);
        else
            qunsetenv("JACK_DEFAULT_SERVER");
    }
    AbsentJackServer(const AbsentJackServer&) = delete;
    AbsentJackServer& operator=(const AbsentJackServer&) = delete;

private:
    QByteArray m_before;
    bool m_was;
};

// What the "Tinsyn - Error" box showed.
struct SeenBox {
    QString title;
    QString text;
    QString cause;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
};

// Runs the real entry routine with `arguments` and a JACK server name nobody
// uses; the box it shows is read and dismissed. Returns the exit status.
int startWith(const QStringList& arguments, SeenBox& seen, std::string& printed)
{
    const AbsentJackServer absent;
    test::NextModal box([&seen](QWidget& modal) {
        auto* message = qobject_cast<QMessageBox*>(&modal);
        if (!message)
            return;
        seen.title = message->windowTitle();
        seen.text = message->text();
        seen.cause = message->informativeText();
        seen.icon = message->icon();
        for (QAbstractButton* button : message->buttons())
            seen.buttons << button->text();
    });
    testing::internal::CaptureStderr();
    const int status =
        runApplication(*qApp, QStringList{QStringLiteral("kelodi")} + arguments);
    printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(box.seen(), 1);
    return status;
}

bool systemHasMidiPorts()
{
    const AbsentJackServer absent;
    return !createSystemPorts()->list().empty();
}

TEST(StartupFailure, NoOutputAtAllSaysWhichSoundFontWasMissingAndWhereToGetOne)
{
    if (systemHasMidiPorts())
        GTEST_SKIP() << "this machine has MIDI output ports, so start-up would succeed";
    SeenBox seen;
    std::string printed;
    EXPECT_EQ(startWith({QStringLiteral("--soundfont"), QStringLiteral("/nonexistent/none.sf2")}, seen, printed), 1);

    EXPECT_EQ(seen.title, QStringLiteral("Tinsyn - Error"));
    EXPECT_EQ(seen.text, QStringLiteral("Unable to detect any midi output devices.\r\n\r\nTerminating..."));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_TRUE(seen.cause.contains(QStringLiteral("/nonexistent/none.sf2"))) << seen.cause.toStdString();
    EXPECT_TRUE(seen.cause.contains(QStringLiteral("fluid-soundfont-gm"))) << seen.cause.toStdString();
    // Qt's own button text comes in Chinese too.
    EXPECT_EQ(seen.buttons, QStringList{QStringLiteral("确定")});
    // The same words reach stderr.
    EXPECT_NE(printed.find("Unable to detect any midi output devices."), std::string::npos) << printed;
    EXPECT_NE(printed.find(seen.cause.toStdString()), std::string::npos) << printed;
}

TEST(StartupFailure, AudioOutputThatWillNotOpenNamesTheDriverItsErrorAndTheWayOut)
{
    if (findSoundFont({}).empty())
        GTEST_SKIP() << "no GM SoundFont installed";
    SeenBox seen;
    std::string printed;
    // JACK is a real driver of this FluidSynth; with no server it refuses.
    EXPECT_EQ(startWith({QStringLiteral("--audio-driver"), QStringLiteral("jack")}, seen, printed), 1);

    EXPECT_EQ(seen.title, QStringLiteral("Tinsyn - Error"));
    EXPECT_EQ(seen.text, QStringLiteral("Unable to open midi output device.\r\n\r\nTerminating..."));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    const QStringList lines = seen.cause.split(QLatin1Char('\n'));
    // One line for the driver tried, with what it answered.
    const QStringList jackLines = lines.filter(QStringLiteral("jack："));
    ASSERT_EQ(jackLines.size(), 1) << seen.cause.toStdString();
    EXPECT_GT(jackLines.front().size(), QStringLiteral("    jack：").size()) << "no error after the driver";
    EXPECT_TRUE(seen.cause.contains(QStringLiteral("--audio-file"))) << seen.cause.toStdString();
    EXPECT_TRUE(seen.cause.contains(QStringLiteral("PulseAudio/PipeWire"))) << seen.cause.toStdString();
    EXPECT_NE(printed.find("Unable to open midi output device."), std::string::npos) << printed;
    EXPECT_NE(printed.find(seen.cause.toStdString()), std::string::npos) << printed;
}

// Without a SoundFont anywhere the cause lists every place looked in; built
// on a device list with no synthesizer and no ports, as such a machine has.
TEST(StartupFailure, MissingSoundFontListsEveryPlaceSearched)
{
    const std::vector<std::string> places = soundFontSearchPlaces("/opt/kelodi");
    SynthDiagnosis missing;
    missing.problem = SynthDiagnosis::Problem::NoSoundFont;
    missing.searched = places;
    const MidiDeviceCatalog devices(nullptr, nullptr, missing);

    const QString cause = startupFailureCause(StartupFailure::NoMidiOutput, devices);
    ASSERT_EQ(places.size(), 4u);
    EXPECT_EQ(places.front(), "/opt/kelodi/soundfont/");
    for (const std::string& place : places)
        EXPECT_TRUE(cause.contains(QString::fromStdString(place))) << place << "\n" << cause.toStdString();
    EXPECT_TRUE(cause.contains(QStringLiteral("fluid-soundfont-gm")));
    EXPECT_TRUE(cause.contains(QStringLiteral("MIDI 输出端口")));
}

}  // namespace
}  // namespace kelodi
