// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/recording/song_files_menu.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cstdio>

#include "core/app/program_info.h"
#include "core/import/midi_song.h"
#include "core/import/part_choice.h"
#include "core/import/song_key.h"
#include "core/keyboard/instrument_panel.h"
#include "core/midi/midi_port.h"
#include "core/recording/dzq_format.h"
#include "core/recording/file_io.h"
#include "core/recording/melody_import.h"
#include "core/recording/recording_controller.h"
#include "core/recording/song_export.h"
#include "core/text/utf8.h"
#include "gui/common/utf8.h"
#include "gui/import/part_chooser.h"
#include "gui/recording/recording_panel.h"
#include "platform/files/atomic_file.h"
#include "platform/import/musicxml_reader.h"
#include "platform/midi/offline_renderer.h"
#include "platform/midi/soundfont_search.h"
#include "platform/text/system_text_codec.h"

namespace kelodi {

namespace {

const QString ImportMidiText = QStringLiteral("导入 MIDI 文件...");
const QString ImportMusicXmlText = QStringLiteral("导入 MusicXML 文件...");
const QString ImportMusicXmlTitle = QStringLiteral("导入 MusicXML 文件");
const QString MusicXmlOpenFilter = QStringLiteral("MusicXML文件(*.musicxml *.xml *.mxl)");
const QString SaveText = QStringLiteral("保存(&S)");
const QString PractiseText = QStringLiteral("练习(&P)");
const QString CloseText = QStringLiteral("关闭");
// Where the last export went, in the user's settings.
const QString SettingsName = QStringLiteral("Kelodi");
const QString ExportFolderKey = QStringLiteral("export/folder");
const QString ExportMidiText = QStringLiteral("导出 MIDI 文件...");
const QString ExportWavText = QStringLiteral("导出 WAV 文件...");
const QString ImportMidiTitle = QStringLiteral("导入 MIDI 文件");
const QString ExportMidiTitle = QStringLiteral("导出 MIDI 文件");
const QString ExportWavTitle = QStringLiteral("导出 WAV 文件");
const QString MidiFilter = QStringLiteral("MIDI文件(*.mid)");
const QString MidiOpenFilter = QStringLiteral("MIDI文件(*.mid *.midi)");
const QString WavFilter = QStringLiteral("WAV文件(*.wav)");
const QString ExportDone = QStringLiteral("导出完成");
const QString NothingToExport = QStringLiteral("没有可导出的录制！");
const QString MidiUnreadable = QStringLiteral("MIDI文件无法读取！");
const QString NoSoundFont = QStringLiteral("找不到音色库，无法导出WAV文件！");
const QString Rendering = QStringLiteral("正在导出 WAV 文件...");
const QString CancelText = QStringLiteral("取消");

// What a title bar needs beside its text: the window's icon and its close,
// minimise and maximise buttons, with some margin.
constexpr int TitleBarExtra = 160;

// "导出完成" and the full path of the file written, as the system writes paths.
QString exportDoneMessage(const QString& name)
{
    return ExportDone + QLatin1Char('\n') + QDir::toNativeSeparators(QFileInfo(name).absoluteFilePath());
}

class QtSongDialogs final : public SongFilesDialogs {
public:
    explicit QtSongDialogs(QWidget* window) : m_window(window) {}

    QString saveFileName(const QString& title, const QString& filter, const QString& suggested,
                         const QString& suffix) override
    {
        QFileDialog dialog(m_window, title, suggested, filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(suffix);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        return dialog.selectedFiles().front();
    }
    QString openFileName(const QString& title, const QString& filter) override
    {
        return QFileDialog::getOpenFileName(m_window, title, QString(), filter);
    }
    void showMessage(const QString& text) override
    {
        const QString title = QString::fromStdString(programTitle());
        QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, m_window);
        box.setTextFormat(Qt::PlainText);
        // A short text would leave the box narrower than its title, which
        // the title bar then cuts to "Ke…": room for the title, its buttons
        // and the frame's margins keeps it whole.
        if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
            const int titleWidth = box.fontMetrics().horizontalAdvance(title);
            grid->addItem(new QSpacerItem(titleWidth + TitleBarExtra, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                          grid->rowCount(), 0, 1, grid->columnCount());
        }
        box.exec();
    }
    bool choosePart(PartChooser& chooser) override { return chooser.exec() == QDialog::Accepted; }
    AfterImport askAfterImport(const QString& text) override
    {
        QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(programTitle()), text, QMessageBox::NoButton,
                        m_window);
        box.setTextFormat(Qt::PlainText);
        QPushButton* save = box.addButton(SaveText, QMessageBox::AcceptRole);
        QPushButton* practise = box.addButton(PractiseText, QMessageBox::ActionRole);
        box.addButton(CloseText, QMessageBox::RejectRole);
        box.setDefaultButton(save);
        box.exec();
        if (box.clickedButton() == save)
            return AfterImport::Save;
        if (box.clickedButton() == practise)
            return AfterImport::Practise;
        return AfterImport::Close;
    }

private:
    QWidget* m_window;
};

std::filesystem::path pathOf(const QString& name)
{
    return pathFromUtf8(name.toStdString());
}

// The replay of the events in memory with the panel as it is now; empty
// when there is nothing to sound.
std::optional<ReplayTranscript> currentReplay(RecordingPanel& recording, const InstrumentPanel& panel)
{
    return exportedReplay(recording.controller().events(), replaySettingsOf(panel));
}

}  // namespace

// Shared by the window and the worker thread that renders.
struct SongFilesMenu::RenderJob {
    std::vector<TimedMessage> messages;
    double endSeconds = 0;
    std::string soundFont;
    std::string path;
    std::atomic<bool> cancel{false};
    std::atomic<int> permille{0};
    RenderResult result;  // written by the worker, read after it ended
};

SongFilesMenu::SongFilesMenu(QMenu* fileMenu, RecordingPanel& recording, InstrumentPanel& panel,
                             MidiPort& port, QWidget* window)
    : QObject(window), m_recording(recording), m_panel(panel), m_port(port), m_window(window),
      m_qtDialogs(std::make_unique<QtSongDialogs>(window)), m_dialogs(m_qtDialogs.get())
{
    // Between 新建(&N) and 退出(&E), in a group of their own.
    QAction* exit = fileMenu->findChild<QAction*>(QStringLiteral("ExitItem"));
    QAction* before = exit ? fileMenu->insertSeparator(exit) : nullptr;
    auto add = [&](const QString& text, const char* name, auto slot) {
        auto* action = new QAction(text, fileMenu);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, slot);
        fileMenu->insertAction(before, action);
        return action;
    };
    m_importMidi = add(ImportMidiText, "ImportMidiItem", [this] { importSong(false); });
    m_importMusicXml = add(ImportMusicXmlText, "ImportMusicXmlItem", [this] { importSong(true); });
    m_exportMidi = add(ExportMidiText, "ExportMidiItem", [this] { exportMidi(); });
    m_exportWav = add(ExportWavText, "ExportWavItem", [this] { exportWav(); });

    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(100);
    connect(m_progressTimer, &QTimer::timeout, this, &SongFilesMenu::showProgress);
}

SongFilesMenu::~SongFilesMenu()
{
    // A render still running stops at its next block; its file never appears.
    if (m_renderThread) {
        m_job->cancel = true;
        m_renderThread->wait();
        delete m_renderThread;
    }
}

void SongFilesMenu::setDialogs(SongFilesDialogs* dialogs)
{
    m_dialogs = dialogs ? dialogs : m_qtDialogs.get();
}

std::string SongFilesMenu::soundFont() const
{
    // The synthesizer's own, else the one it would search for.
    return exportSoundFont(m_port.devices(),
                           [this] { return findSoundFont(pathToUtf8(m_recording.listedFolder().parent_path())); });
}

void SongFilesMenu::exportMidi()
{
    const std::optional<ReplayTranscript> replay = currentReplay(m_recording, m_panel);
    if (!replay) {
        m_dialogs->showMessage(NothingToExport);
        return;
    }
    const QString name =
        m_dialogs->saveFileName(ExportMidiTitle, MidiFilter, exportName(QStringLiteral("mid")), QStringLiteral("mid"));
    if (name.isEmpty())
        return;
    rememberExportFolder(name);
    const std::string bytes = midiFileOf(*replay);
    std::string error;
    FileWriteFailure failure = FileWriteFailure::None;
    if (bytes.size() > MaxMidiFileBytes) {
        // Never written: the import would refuse it.
        error = "more than " + std::to_string(MaxMidiFileBytes) + " bytes";
        failure = FileWriteFailure::Other;
    }
    if (failure != FileWriteFailure::None || !writeFileAtomically(pathOf(name), bytes, &error, &failure)) {
        std::fprintf(stderr, "kelodi: cannot write %s: %s\n", name.toLocal8Bit().constData(), error.c_str());
        m_dialogs->showMessage(fromUtf8(saveFailedMessage(failure)));
        return;
    }
    m_dialogs->showMessage(exportDoneMessage(name));
}

void SongFilesMenu::exportWav()
{
    if (m_renderThread)
        return;
    std::optional<ReplayTranscript> replay = currentReplay(m_recording, m_panel);
    if (!replay) {
        m_dialogs->showMessage(NothingToExport);
        return;
    }
    const std::string font = soundFont();
    if (font.empty()) {
        m_dialogs->showMessage(NoSoundFont);
        return;
    }
    const QString name =
        m_dialogs->saveFileName(ExportWavTitle, WavFilter, exportName(QStringLiteral("wav")), QStringLiteral("wav"));
    if (name.isEmpty())
        return;
    rememberExportFolder(name);

    m_job = std::make_shared<RenderJob>();
    m_job->messages = std::move(replay->messages);
    m_job->endSeconds = replay->lastMessageSeconds();
    m_job->soundFont = font;
    m_job->path = name.toStdString();
    m_renderThread = QThread::create([job = m_job] {
        job->result = OfflineRenderer::render(job->messages, job->endSeconds, job->soundFont, job->path,
                                              [&job](double done) {
                                                  job->permille.store(static_cast<int>(done * 1000.0));
                                                  return !job->cancel.load();
                                              });
    });
    connect(m_renderThread, &QThread::finished, this, &SongFilesMenu::finishRender);
    m_exportWav->setEnabled(false);
    m_renderClock.start();
    m_progressTimer->start();
    m_renderThread->start();
}

void SongFilesMenu::showProgress()
{
    if (!m_renderThread || m_renderClock.elapsed() < ProgressDelayMs)
        return;
    if (!m_progress) {
        // Not modal: the keyboard stays playable while the file is written.
        m_progress = new QProgressDialog(Rendering, CancelText, 0, 1000, m_window);
        m_progress->setObjectName(QStringLiteral("WavExportProgress"));
        m_progress->setWindowTitle(QString::fromStdString(programTitle()));
        m_progress->setWindowModality(Qt::NonModal);
        m_progress->setAutoClose(false);
        m_progress->setAutoReset(false);
        m_progress->setMinimumDuration(0);
        connect(m_progress, &QProgressDialog::canceled, this, [job = m_job] { job->cancel = true; });
        m_progress->show();
    }
    m_progress->setValue(m_job->permille.load());
}

void SongFilesMenu::finishRender()
{
    m_progressTimer->stop();
    delete m_progress;
    m_renderThread->deleteLater();
    m_renderThread = nullptr;
    m_exportWav->setEnabled(true);
    const RenderResult result = m_job->result;
    const QString name = QString::fromStdString(m_job->path);
    m_job.reset();
    if (result.cancelled)
        return;
    if (!result.ok) {
        std::fprintf(stderr, "kelodi: cannot export the WAV file: %s\n", result.error.c_str());
        m_dialogs->showMessage(fromUtf8(saveFailedMessage(result.failure)));
        return;
    }
    m_dialogs->showMessage(exportDoneMessage(name));
}

// The song's name with `suffix`, in the folder of the last export (the
// dialog's own start folder before the first); only the folder for a take
// not saved yet.
QString SongFilesMenu::exportName(const QString& suffix) const
{
    const QSettings settings(QSettings::UserScope, SettingsName, SettingsName);
    const QString folder = settings.value(ExportFolderKey).toString();
    const QString song = fromUtf8(pathToUtf8(m_recording.controller().songFile().path.stem()));
    if (song.isEmpty())
        return folder;
    const QString file = song + QLatin1Char('.') + suffix;
    return folder.isEmpty() ? file : QDir(folder).filePath(file);
}

void SongFilesMenu::rememberExportFolder(const QString& name)
{
    QSettings settings(QSettings::UserScope, SettingsName, SettingsName);
    settings.setValue(ExportFolderKey, QFileInfo(name).absolutePath());
}

void SongFilesMenu::importSong(bool musicXml)
{
    const QString name = musicXml ? m_dialogs->openFileName(ImportMusicXmlTitle, MusicXmlOpenFilter)
                                  : m_dialogs->openFileName(ImportMidiTitle, MidiOpenFilter);
    if (name.isEmpty())
        return;
    // Told apart by the name, whichever command opened the file.
    ImportedSong song;
    if (isMusicXmlFileName(pathOf(name))) {
        song = readMusicXmlFile(pathOf(name));
        if (!song.ok()) {
            std::fprintf(stderr, "kelodi: cannot import %s: %s\n", name.toLocal8Bit().constData(), song.error.c_str());
            m_dialogs->showMessage(fromUtf8(importProblemText(song.problem)));
            return;
        }
    } else {
        std::string error;
        const std::optional<std::string> bytes = readFileBytes(pathOf(name), MaxMidiFileBytes, &error);
        std::optional<MidiFile> midi;
        if (bytes)
            midi = parseMidiFile(*bytes, &error);
        if (!midi) {
            std::fprintf(stderr, "kelodi: cannot import %s: %s\n", name.toLocal8Bit().constData(), error.c_str());
            m_dialogs->showMessage(MidiUnreadable);
            return;
        }
        song = midiSong(*midi, &systemTextCodec());
    }
    if (!defaultPartChoice(song)) {
        m_dialogs->showMessage(fromUtf8(NothingToPlayMessage));
        return;
    }

    PartChooser chooser(song, musicXml ? ImportMusicXmlTitle : ImportMidiTitle, m_port, m_panel.currentChannel(),
                        m_window);
    if (!m_dialogs->choosePart(chooser))
        return;
    const PartChoice choice = chooser.choice();
    std::string error;
    const std::optional<MelodyImport> melody = importMelody(song, melodySourceOf(choice), &error);
    if (!melody) {
        std::fprintf(stderr, "kelodi: cannot import %s: %s\n", name.toLocal8Bit().constData(), error.c_str());
        m_dialogs->showMessage(fromUtf8(importProblemText(ImportProblem::TooManyElements)));
        return;
    }
    if (!melody->events.hasKeyPress()) {
        m_dialogs->showMessage(fromUtf8(NothingToPlayMessage));
        return;
    }

    // The melody sounds as the panel will play it: single notes unless the
    // player wants the chords.
    if (choice.singleNotes)
        m_panel.chooseSingleNote();
    // Played like a file: a replay still running stops first, with its keys
    // released, and a recording ends.
    RecordingController& controller = m_recording.controller();
    if (controller.isPlaying())
        controller.click(RecorderButton::Stop);
    if (controller.isRecording())
        controller.click(RecorderButton::EndRecording);
    const QString songName = QFileInfo(name).completeBaseName();
    // The song keeps its file's name (the score's title, the exports'
    // suggestion) and what the score shows of it: time signature, original key.
    controller.setEvents(melody->events, SongFile{pathOf(name), {}, songInfoOf(*melody)});
    controller.click(RecorderButton::Replay);

    QString told = QStringLiteral("已导入“%1”的旋律，%2 个音符").arg(songName).arg(melody->report.melodyNotes);
    if (melody->originalKey)
        told += QStringLiteral("，原调 1=%1").arg(fromUtf8(keyName(*melody->originalKey)));
    told += QStringLiteral("。");
    switch (m_dialogs->askAfterImport(told)) {
    case AfterImport::Close:
        break;
    case AfterImport::Save:
        saveImported(melody->events, songInfoOf(*melody), name);
        break;
    case AfterImport::Practise:
        if (controller.isPlaying())
            controller.click(RecorderButton::Stop);
        if (m_startPractice)
            m_startPractice();
        controller.click(RecorderButton::Replay);
        break;
    }
}

// The player may keep an imported song among the recordings.
void SongFilesMenu::saveImported(const RecordingEvents& events, const SongInfo& info, const QString& source)
{
    const QString folder = QString::fromStdString(pathToUtf8(m_recording.listedFolder()));
    QDir().mkpath(folder);
    const QString suggested = QDir(folder).filePath(QFileInfo(source).completeBaseName() + QStringLiteral(".dzq"));
    const QString target = m_dialogs->saveFileName(fromUtf8(RecordingDialogTitle), fromUtf8(RecordingDialogFilter),
                                                   suggested, QStringLiteral("dzq"));
    if (target.isEmpty())
        return;
    std::string error;
    FileWriteFailure failure = FileWriteFailure::None;
    if (!writeRecordingFile(pathOf(target), events, info, systemTextCodec(), atomicFileSaver(), &error, &failure)) {
        std::fprintf(stderr, "kelodi: cannot write %s: %s\n", target.toLocal8Bit().constData(), error.c_str());
        m_dialogs->showMessage(fromUtf8(saveFailedMessage(failure)));
        return;
    }
    const QFileInfo saved(target);
    if (QFileInfo(saved.absolutePath()) == QFileInfo(folder))
        m_recording.refreshRecordingsMenu(saved.fileName().toStdString());
}

}  // namespace kelodi
