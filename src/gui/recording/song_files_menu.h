// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QString>

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
class RecordingPanel;

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
};

// The File menu's song commands:
//
// - "导出 MIDI 文件..." writes the events in memory (the last recording or the
//   last played file) as a Standard MIDI File, exactly as a replay with the
//   current channel's instrument, chord type and octave sends them;
// - "导出 WAV 文件..." renders that replay with the embedded synthesizer, on
//   a worker thread; an export that takes longer than half a second shows a
//   progress dialog that can cancel it, and the window stays usable;
// - "导入 MIDI 文件..." takes the melody of a MIDI file, plays it and offers
//   to save it into 录制/, where it is listed at once.
class SongFilesMenu : public QObject {
    Q_OBJECT
public:
    SongFilesMenu(QMenu* fileMenu, RecordingPanel& recording, const InstrumentPanel& panel, MidiPort& port,
                  QWidget* window);
    ~SongFilesMenu() override;

    QAction* exportMidiAction() const { return m_exportMidi; }
    QAction* exportWavAction() const { return m_exportWav; }
    QAction* importMidiAction() const { return m_importMidi; }

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
    void importMidi();
    void showProgress();
    void finishRender();
    std::string soundFont() const;

    RecordingPanel& m_recording;
    const InstrumentPanel& m_panel;
    MidiPort& m_port;
    QWidget* m_window;
    QAction* m_importMidi = nullptr;
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
