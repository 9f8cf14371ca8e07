// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/startup_failure.h"

#include <QLabel>
#include <QMessageBox>
#include <QStringList>

#include <cstdio>

#include "core/app/program_info.h"
#include "platform/midi/midi_output_status.h"

namespace kelodi {

namespace {

using Problem = SynthDiagnosis::Problem;

QString fromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

QString item(const QString& text)
{
    return QStringLiteral("    ") + text;
}

QString soundFontHint()
{
    return QStringLiteral("请安装 Debian 软件包 fluid-soundfont-gm（通用 MIDI 音色库），"
                          "或用 --soundfont 文件.sf2 指定音色库。");
}

QString availableDrivers(const SynthDiagnosis& d)
{
    QStringList names;
    for (const std::string& name : d.availableDrivers)
        names << fromStd(name);
    return QStringLiteral("此 FluidSynth 提供的音频驱动：") +
           (names.isEmpty() ? QStringLiteral("无") : names.join(QStringLiteral(", ")));
}

// The embedded synthesizer's side of the story, one line per entry.
QStringList synthLines(const SynthDiagnosis& d)
{
    QStringList lines;
    switch (d.problem) {
    case Problem::None:
        break;
    case Problem::NotInBuild:
        lines << QStringLiteral("此版本不含内置音源（没有 FluidSynth），只能经由系统的 MIDI 设备发声。");
        break;
    case Problem::NoSoundFont:
        lines << QStringLiteral("没有找到通用 MIDI 音色库（SoundFont），内置音源无法发声。已查找：");
        for (const std::string& place : d.searched)
            lines << item(fromStd(place));
        lines << soundFontHint();
        break;
    case Problem::UnusableSoundFont:
        lines << QStringLiteral("指定的音色库不存在，或不是 SoundFont 文件：") << item(fromStd(d.soundFont))
              << soundFontHint();
        break;
    case Problem::SoundFontFailed:
        lines << QStringLiteral("音色库无法载入：") << item(fromStd(d.soundFont)) << soundFontHint();
        break;
    case Problem::SynthFailed:
        lines << QStringLiteral("FluidSynth 无法创建内置音源。");
        break;
    case Problem::AudioFileFailed:
        lines << QStringLiteral("无法写入音频文件：")
              << item(fromStd(d.audioFile) +
                      (d.audioFileError.empty() ? QString() : QStringLiteral("（%1）").arg(fromStd(d.audioFileError))));
        break;
    case Problem::NoAudioOutput: {
        lines << QStringLiteral("内置音源打不开任何音频输出。已尝试：");
        bool missingFromBuild = false;
        for (const SynthDiagnosis::AudioAttempt& attempt : d.audioAttempts) {
            QString why;
            if (!attempt.inBuild) {
                why = QStringLiteral("此 FluidSynth 没有这个驱动");
                missingFromBuild = true;
            } else {
                why = attempt.error.empty() ? QStringLiteral("无法打开") : fromStd(attempt.error);
            }
            lines << item(fromStd(attempt.driver) + QStringLiteral("：") + why);
        }
        if (d.driverForced || missingFromBuild)
            lines << availableDrivers(d);
        lines << QStringLiteral("请先启动声音服务器（PulseAudio/PipeWire 或 JACK），"
                                "或用 --audio-file 文件.wav 把声音写入文件。");
        break;
    }
    }
    return lines;
}

}  // namespace

QString startupFailureText(StartupFailure failure)
{
    const QString first = failure == StartupFailure::NoMidiOutput
                              ? QStringLiteral("Unable to detect any midi output devices.")
                              : QStringLiteral("Unable to open midi output device.");
    return first + QStringLiteral("\r\n\r\nTerminating...");
}

QString startupFailureCause(StartupFailure failure, const MidiOutputStatus& devices)
{
    QStringList lines = synthLines(devices.synthDiagnosis());
    if (failure == StartupFailure::NoMidiOutput) {
        lines << QStringLiteral("系统中也没有可用的 MIDI 输出端口。");
    } else if (!devices.synthAvailable() && devices.count() > 0) {
        // Without the synthesizer the mapper leads to the first system port.
        lines << QStringLiteral("MIDI 输出端口“%1”无法打开。").arg(fromStd(devices.deviceName(0)));
    }
    return lines.join(QLatin1Char('\n'));
}

void reportStartupFailure(StartupFailure failure, const MidiOutputStatus& devices)
{
    const QString text = startupFailureText(failure);
    const QString cause = startupFailureCause(failure, devices);
    QString printed = text;
    printed.remove(QLatin1Char('\r')).replace(QStringLiteral("\n\n"), QStringLiteral(" "));
    std::fprintf(stderr, "kelodi: %s\n%s\n", printed.toUtf8().constData(), cause.toUtf8().constData());
    std::fflush(stderr);

    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(ErrorCaption), text, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(cause);
    // Paths are shown as they are, never taken for markup.
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        label->setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace kelodi
