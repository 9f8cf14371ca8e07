// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QString>

#include "core/recording/recording_events.h"
#include "core/recording/song_info.h"

#include <functional>
#include <memory>
#include <string>

class QAction;
class QMenu;
class QThread;
class QTimer;
class QWidget;

namespace kelodi {

class InstrumentPanel;
class MidiPort;
class PartChooser;
class RecordingPanel;

// What the player does with a song just imported while it plays.
enum class AfterImport {
    Close,     // keeps it in memory only
    Save,      // "保存": into the recordings
    Practise,  // "练习": 跟弹练习 on it at once
};

// What the song commands ask the player. The window shows Qt's dialogs; the
// tests answer in their place.
class SongFilesDialogs {
public:
    virtual ~SongFilesDialogs() = default;
    // A save dialog; `suffix` is added to a name typed without one. Empty
    // when cancelled.
    virtual QString saveFileName(const QString& title, const QString& filter, const QString& suggested,
                                 const QString& suffix) = 0;
    virtual QString openFileName(const QString& title, const QString& filter) = 0;
    // A message with an OK button, no icon, the program's title.
    virtual void showMessage(const QString& text) = 0;
    // Shows the part chooser modally; true when a part was taken.
    virtual bool choosePart(PartChooser& chooser) = 0;
    // "保存" / "练习" / "关闭" under `text`, while the imported song plays.
    virtual AfterImport askAfterImport(const QString& text) = 0;
};

// The File menu's song commands:
//
// - "导出 MIDI 文件..." writes the events in memory (the last recording or the
//   last played file) as a Standard MIDI File, exactly as a replay with the
//   current channel's instrument, chord type and octave sends them;
// - "导出 WAV 文件..." renders that replay with the embedded synthesizer, on
//   a worker thread; an export that takes longer than half a second shows a
//   progress dialog that can cancel it, and the window stays usable. Both
//   suggest the song's name with their extension, in the folder of the last
//   export (remembered in the user's settings);
// - "导入 MIDI 文件..." and "导入 MusicXML 文件..." read a song, let the player
//   choose its melody part in the part chooser, play the melody once and
//   offer to save it into 录制/ (where it is listed at once) or to practise
//   it. "用单音播放" switches the panel to single notes first.
class SongFilesMenu : public QObject {
    Q_OBJECT
public:
    SongFilesMenu(QMenu* fileMenu, RecordingPanel& recording, InstrumentPanel& panel, MidiPort& port,
                  QWidget* window);
    ~SongFilesMenu() override;

    QAction* exportMidiAction() const { return m_exportMidi; }
    QAction* exportWavAction() const { return m_exportWav; }
    QAction* importMidiAction() const { return m_importMidi; }
    QAction* importMusicXmlAction() const { return m_importMusicXml; }

    // Turns 跟弹练习 on, for "练习" after an import; the replay that follows
    // is then practised.
    void setPractiseStarter(std::function<void()> start) { m_startPractice = std::move(start); }

    // Replaces the Qt dialogs (tests); nullptr brings them back. Not owned.
    void setDialogs(SongFilesDialogs* dialogs);

    bool isRendering() const { return m_renderThread != nullptr; }
    QProgressDialog* progressDialog() const { return m_progress; }

    // How long a WAV export runs before its progress dialog shows.
    static constexpr int ProgressDelayMs = 500;

private:
    struct RenderJob;

    void exportMidi();
    void exportWav();
    void importSong(bool musicXml);
    void saveImported(const RecordingEvents& events, const SongInfo& info, const QString& source);
    QString exportName(const QString& suffix) const;
    void rememberExportFolder(const QString& name);
    void showProgress();
    void finishRender();
    std::string soundFont() const;

    RecordingPanel& m_recording;
    InstrumentPanel& m_panel;
    MidiPort& m_port;
    QWidget* m_window;
    QAction* m_importMidi = nullptr;
    QAction* m_importMusicXml = nullptr;
    std::function<void()> m_startPractice;
    QAction* m_exportMidi = nullptr;
    QAction* m_exportWav = nullptr;
    std::unique_ptr<SongFilesDialogs> m_qtDialogs;
    SongFilesDialogs* m_dialogs = nullptr;

    std::shared_ptr<RenderJob> m_job;
    QThread* m_renderThread = nullptr;
    QTimer* m_progressTimer = nullptr;
    QElapsedTimer m_renderClock;
    QPointer<QProgressDialog> m_progress;
};

}  // namespace kelodi
