// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "core/app/data_places.h"
#include "core/keyboard/key_map.h"
#include "core/keyboard/keyboard_view.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QMenu;
class QPushButton;
class QTimer;

namespace kelodi {

class ComputerKeyboard;
class RecordingPanel;
class SongFilesMenu;
class DeviceMenuQt;
class HelpMenu;
class NewsController;
class Shell;
class TrayIcon;
class WebLinkLabels;
class InstrumentPanel;
class KeyMap;
class KeyPath;
class LabelModeControls;
class LabelModes;
class MidiInputList;
class MidiInputMenu;
class MidiKeyboard;
class MidiPort;
class PanelWidgets;
class PianoKey;
class PracticePanel;

// What the entry routine hands the main window.
struct MainWindowSetup {
    MidiPort* port = nullptr;
    MidiInputList* inputs = nullptr;  // MIDI keyboards; nullptr for none
    QString midiInput;                // `--midi-input NAME`: the input port to use
    Shell* shell = nullptr;     // browser, text editor, detached programs
    QString programFolder;      // beside the executable: 录制/, help text, v.sz
    // Where 录制/, the help text and v.sz are when not all in programFolder
    // (an installed program).
    std::optional<DataPlaces> places;
    std::string mixerProgram;   // the system volume program, empty when none
    // A score to play once the window is up, as "播放文件(&F)" would
    // (`kelodi FILE.dzq`); empty for none.
    QString startFile;
};

// The main window: the whole instrument in a fixed layout. It only
// lays out widgets, mirrors the core models and forwards events; the rules
// live in core.
class MainWindow : public QMainWindow, private KeyboardView {
    Q_OBJECT
public:
    explicit MainWindow(const MainWindowSetup& setup, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Client area of the window below the menu bar, in pixels.
    static constexpr int ClientWidth = 745;
    static constexpr int ClientHeight = 353;

    PianoKey* key(int index) const { return m_keys[static_cast<std::size_t>(index)]; }
    InstrumentPanel& panel() { return *m_panel; }
    KeyPath& keyPath() { return *m_keyPath; }
    int restoreWindowState() const { return m_restoreWindowState; }
    HelpMenu& helpMenu() { return *m_help; }
    NewsController& news() { return *m_news; }
    TrayIcon& tray() { return *m_tray; }
    WebLinkLabels& links() { return *m_links; }
    RecordingPanel& recording() { return *m_recording; }
    PracticePanel& practice() { return *m_practice; }
    SongFilesMenu& songFiles() { return *m_songFiles; }
    MidiKeyboard& midiKeyboard() { return *m_midiKeyboard; }
    MidiInputMenu* midiInput() { return m_midiInput; }
    // True once the program is to end: the exit command or the close box has
    // run, and the end timer ends the program on its next tick.
    bool isClosing() const { return m_closing; }

    // The common exit command (File "退出(&E)", tray "退出(&F)").
    void requestExit();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // KeyboardView
    void setCaption(const std::string& caption) override;
    void setKeyColour(int key, std::uint32_t colour) override;
    void setKeyCaption(int key, const std::string& caption) override;

    KeyboardView& view() { return *this; }
    void load();
    void createKeyPath();
    void createSongMenus();
    void createMidiInput();
    void keepKeysForTheKeyboard();
    void createTrayIcon();
    void createMenus();
    void createKeys(QWidget* surface);
    void createPanel(QWidget* surface);
    void createFrames(QWidget* surface);
    void installKeyPreview();
    void unload();
    void releaseComputerKeys();
    void chooseInstrument();

    MainWindowSetup m_setup;
    DataPlaces m_places;
    std::unique_ptr<KeyMap> m_keyMap;
    std::unique_ptr<InstrumentPanel> m_panel;
    std::unique_ptr<KeyPath> m_keyPath;
    std::unique_ptr<ComputerKeyboard> m_computerKeyboard;
    std::unique_ptr<MidiKeyboard> m_midiKeyboard;
    std::unique_ptr<LabelModes> m_labelModes;

    std::array<PianoKey*, KeyCount> m_keys{};
    QMenu* m_labelModesMenu = nullptr;
    QGroupBox* m_bottomFrame = nullptr;
    QGroupBox* m_labelModesFrame = nullptr;
    LabelModeControls* m_labelModeControls = nullptr;
    QCheckBox* m_repeatBox = nullptr;
    QTimer* m_endTimer = nullptr;
    QMenu* m_devicesMenu = nullptr;
    QMenu* m_recordingsMenu = nullptr;
    QMenu* m_practiceMenu = nullptr;
    DeviceMenuQt* m_deviceMenu = nullptr;
    MidiInputMenu* m_midiInput = nullptr;
    HelpMenu* m_help = nullptr;
    NewsController* m_news = nullptr;
    WebLinkLabels* m_links = nullptr;
    TrayIcon* m_tray = nullptr;
    RecordingPanel* m_recording = nullptr;
    PracticePanel* m_practice = nullptr;
    SongFilesMenu* m_songFiles = nullptr;
    PanelWidgets* m_panelWidgets = nullptr;
    QPointer<QWindow> m_keyPreviewWindow;

    bool m_closing = false;        // the program is to end
    int m_restoreWindowState = 0;  // 2 maximised, 0 normal or minimised
};

}  // namespace kelodi
