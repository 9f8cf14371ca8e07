// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/main_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include "core/app/program_info.h"
#include "core/desktop/help_menu_items.h"
#include "core/keyboard/computer_keyboard.h"
#include "core/keyboard/instrument_panel.h"
#include "core/keyboard/key_map.h"
#include "core/keyboard/key_path.h"
#include "core/keyboard/label_modes.h"
#include "core/keyboard/midi_keyboard.h"
#include "core/midi/midi_in.h"
#include "core/midi/midi_port.h"
#include "core/practice/practice_controller.h"
#include "core/practice/practice_texts.h"
#include "core/recording/recording_controller.h"
#include "gui/app/access_key_style.h"
#include "gui/app/closed_menu_keys.h"
#include "gui/app/focus_loss_watch.h"
#include "gui/app/data_folders.h"
#include "gui/app/key_diagram.h"
#include "gui/common/pixel_rect.h"
#include "gui/common/twips.h"
#include "gui/common/utf8.h"
#include "gui/desktop/app_icon.h"
#include "gui/desktop/help_menu.h"
#include "gui/desktop/tray_icon.h"
#include "gui/desktop/web_link_labels.h"
#include "gui/keyboard/input_guard_qt.h"
#include "gui/keyboard/label_mode_controls.h"
#include "gui/keyboard/instrument_dialog.h"
#include "gui/keyboard/piano_key.h"
#include "gui/keyboard/panel_widgets.h"
#include "gui/keyboard/virtual_key.h"
#include "gui/midi/midi_input_menu.h"
#include "gui/midi/midi_menus.h"
#if KELODI_NEWS
#include "gui/news/news_controller.h"
#include "gui/news/news_window.h"
#endif
#include "gui/practice/practice_panel.h"
#include "gui/recording/recording_panel.h"
#include "gui/recording/song_files_menu.h"

namespace kelodi {

namespace {

// The window's own drawing: the groove under the menu bar and the black bed the
// keys lie on, which shows through the one-pixel gaps between them.
class KeyboardSurface : public QWidget {
public:
    explicit KeyboardSurface(QWidget* parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("KeyboardSurface"));
        setMouseTracking(true);
        // The window may grow (or be maximised); the layout stays where it is.
        setMinimumSize(MainWindow::ClientWidth, MainWindow::ClientHeight);
    }

    QSize sizeHint() const override { return {MainWindow::ClientWidth, MainWindow::ClientHeight}; }

    const QRect keyBed = toQRect(keyFrameRect());

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        // A sunken outer edge around (0, 0)-(width + 1, 2): a two-pixel groove.
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(0, 0, width(), 0);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(0, 1, width(), 1);
        painter.fillRect(keyBed, Qt::black);
    }
};

}  // namespace

MainWindow::MainWindow(const MainWindowSetup& setup, QWidget* parent)
    : QMainWindow(parent),
      m_setup(setup),
      m_places(setup.places.value_or(programFolderPlaces(toPath(setup.programFolder))))
{
    setObjectName(QStringLiteral("MainWindow"));
    auto* surface = new KeyboardSurface(this);
    setCentralWidget(surface);

    createMenus();
    createKeys(surface);
    createPanel(surface);
    createFrames(surface);

    m_endTimer = new QTimer(this);
    m_endTimer->setObjectName(QStringLiteral("EndTimer"));
    m_endTimer->setInterval(100);
    connect(m_endTimer, &QTimer::timeout, this, [this] {
        if (m_closing)
            QApplication::exit(0);
    });

    load();
}

MainWindow::~MainWindow()
{
    // The members below go before the child widgets and objects do: nothing
    // may reach them once they start going, neither the application's focus
    // signal, nor the key preview, nor the recorder's timer.
    disconnect(qApp, nullptr, this, nullptr);
    // The keyboard's port stops before what it plays into goes.
    delete m_midiInput;
    m_midiInput = nullptr;
    if (m_keyPreviewWindow)
        m_keyPreviewWindow->removeEventFilter(this);
    delete m_practice;
    m_practice = nullptr;
    delete m_songFiles;
    m_songFiles = nullptr;
    delete m_recording;
    m_recording = nullptr;
    // The panel and the label modes go with the members; their views must
    // go first.
    delete m_panelWidgets;
    m_panelWidgets = nullptr;
    delete m_labelModeControls;
    m_labelModeControls = nullptr;
}

void MainWindow::createMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    file->setObjectName(QStringLiteral("FileMenu"));
    QAction* newItem = file->addAction(QStringLiteral("新建(&N)"));
    newItem->setObjectName(QStringLiteral("NewItem"));
    connect(newItem, &QAction::triggered, this, [this] { m_panel->resetToDefaults(); });
    file->addSeparator();
    QAction* exitItem = file->addAction(QStringLiteral("退出(&E)"));
    exitItem->setObjectName(QStringLiteral("ExitItem"));
    connect(exitItem, &QAction::triggered, this, &MainWindow::requestExit);

    // Filled by load(), once the port's device list is known.
    m_devicesMenu = menuBar()->addMenu(QStringLiteral("MIDI设备(&D)"));
    m_devicesMenu->setObjectName(QStringLiteral("DevicesMenu"));

    QMenu* system = menuBar()->addMenu(QStringLiteral("系统(&X)"));
    system->setObjectName(QStringLiteral("SystemMenu"));
    addMixerCommand(system, this, QString::fromStdString(m_setup.mixerProgram));

    // Its items come with the key tables, as the boxes of the "显示" frame.
    m_labelModesMenu = menuBar()->addMenu(QStringLiteral("显示(&S)"));
    m_labelModesMenu->setObjectName(QStringLiteral("LabelModesMenu"));

    m_recordingsMenu = menuBar()->addMenu(QStringLiteral("曲目列表(&Q)"));
    m_recordingsMenu->setObjectName(QStringLiteral("RecordingsMenu"));

    // Filled once the recorder exists.
    m_practiceMenu = menuBar()->addMenu(fromUtf8(PracticeMenuCaption));
    m_practiceMenu->setObjectName(QStringLiteral("PracticeMenu"));

    m_help = new HelpMenu(*m_setup.shell, HelpFiles{fromPath(m_places.helpText), fromPath(m_places.newsOptOut)}, this);
    m_help->menu()->setObjectName(QStringLiteral("HelpMenu"));
    menuBar()->addMenu(m_help->menu());
#if KELODI_NEWS
    m_news = new NewsController(*m_setup.shell, this);
    connect(m_help, &HelpMenu::noNewsPopupChanged, m_news, &NewsController::setNoNewsPopup);
    connect(m_help, &HelpMenu::newsRequested, m_news, &NewsController::showNow);
#endif
}

void MainWindow::createKeys(QWidget* surface)
{
    for (int k = 0; k < KeyCount; ++k) {
        auto* key = new PianoKey(k, surface);
        key->setGeometry(toQRect(keyRect(k)));
        key->setColour(isBlackKey(k) ? KeyColour::Black : KeyColour::White);
        connect(key, &PianoKey::mouseDown, this, [this](int index, int button) {
            m_keyPath->press(index, button);
        });
        connect(key, &PianoKey::mouseUp, this, [this](int index, int button) {
            m_keyPath->release(index, button);
        });
        m_keys[static_cast<std::size_t>(k)] = key;
    }
    for (PianoKey* key : m_keys)
        if (isBlackKey(key->index()))
            key->raise();
}

void MainWindow::createPanel(QWidget* surface)
{
    m_panel = std::make_unique<InstrumentPanel>(*m_setup.port);
    m_panelWidgets = new PanelWidgets(*m_panel, surface);
    connect(m_panelWidgets, &PanelWidgets::instrumentLabelPressed, this, &MainWindow::chooseInstrument);
}

void MainWindow::createFrames(QWidget* surface)
{
    m_labelModesFrame = new QGroupBox(QStringLiteral("显示"), surface);
    m_labelModesFrame->setObjectName(QStringLiteral("LabelModesFrame"));
    m_labelModesFrame->setGeometry(twipRect(9600, 60, 1455, 1155));

    m_repeatBox = new QCheckBox(QStringLiteral("重复录制回放"), surface);
    m_repeatBox->setObjectName(QStringLiteral("RepeatReplayBox"));
    m_repeatBox->setGeometry(twipRect(3960, 960, 1695, 255));

    m_bottomFrame = new QGroupBox(surface);
    m_bottomFrame->setObjectName(QStringLiteral("BottomFrame"));
    m_bottomFrame->setGeometry(twipRect(180, 4380, 10935, 1335));
    m_bottomFrame->setMouseTracking(true);
    // The link row: home page, upgrade page, chat number, key diagram. Moving
    // the mouse over the window or the frame turns the links blue again.
    m_links = new WebLinkLabels(*m_setup.shell, m_bottomFrame);
    m_links->watch(surface);
    connect(m_links, &WebLinkLabels::keyDiagramRequested, this, [this] { KeyDiagram::show(this); });
}

// The controls are worked with the mouse: the letter keys, space and Return
// belong to the keyboard, and a control holding the focus would take space or
// Return as a click (space would tick "长音" at start).
static void keepFocusOff(QWidget* area)
{
    for (QAbstractButton* control : area->findChildren<QAbstractButton*>())
        control->setFocusPolicy(Qt::NoFocus);
}

// A control whose access key is also a menu's ("录制开始(&S)" and "显示(&S)",
// "播放文件(&F)" and "文件(&F)") would make the key ambiguous, and Qt then
// opens neither: such keys stay with the menu bar. The control keeps its
// caption, drawn by `style` without the underline.
static void leaveMenuKeysToMenus(QWidget* area, QMenuBar* menuBar, QStyle* style)
{
    QList<QKeySequence> menuKeys;
    for (QAction* menu : menuBar->actions())
        menuKeys << QKeySequence::mnemonic(menu->text());
    for (QAbstractButton* control : area->findChildren<QAbstractButton*>()) {
        if (!control->shortcut().isEmpty() && menuKeys.contains(control->shortcut())) {
            control->setShortcut(QKeySequence());
            control->setStyle(style);
        }
    }
}

void MainWindow::load()
{
    // Caption, and the program's icon (the tray shows it too).
    setWindowTitle(fromUtf8(programTitle()));
    setWindowIcon(appIcon());

    createKeyPath();
    // The recorder's button row; the key path reports presses to it.
    m_recording = new RecordingPanel(*m_keyPath, m_bottomFrame, m_repeatBox, this);
    // Key preview: the window sees every key before the focused control.
    installKeyPreview();

    // The device menu, the mapper ticked.
    m_deviceMenu = new DeviceMenuQt(
        m_devicesMenu, *m_setup.port, [this](int channel) { m_panel->sendChannelSettings(channel); }, this);
    // File > New: chord 3, octave 0, every channel back to its defaults; the
    // messages go out before the start instrument's program change.
    m_panel->resetToDefaults();
    // The start instrument, "钟琴" on channel 0.
    m_panel->setStartupInstrument();

    createSongMenus();
    createMidiInput();
    // The news opt-out, from "v.sz".
    m_help->loadNoNewsPopup();
    keepKeysForTheKeyboard();
    createTrayIcon();
    // The input-language guard, ticked once a second.
    new InputGuardTimer(this);

    // A score given on the command line plays once the event loop runs, that
    // is once the window is up; a missing file gets the player's message.
    if (!m_setup.startFile.isEmpty())
        QTimer::singleShot(0, this, [this] { m_recording->controller().playListedRecording(toPath(m_setup.startFile)); });
}

// The key tables, the keys' tool tips, and what plays the keys.
void MainWindow::createKeyPath()
{
    m_keyMap = std::make_unique<KeyMap>();
    for (int k = 0; k < KeyCount; ++k)
        m_keys[static_cast<std::size_t>(k)]->setToolTip(fromUtf8(m_keyMap->keyInfo(k)));
    m_keyPath = std::make_unique<KeyPath>(*m_setup.port, *m_panel, view(), *m_keyMap);
    m_computerKeyboard = std::make_unique<ComputerKeyboard>(*m_keyPath, *m_keyMap);
    m_labelModes = std::make_unique<LabelModes>(view(), *m_keyMap);
    m_labelModeControls = new LabelModeControls(*m_labelModes, m_labelModesMenu, m_labelModesFrame);
}

// The recordings list, the score window and follow-along practice on the
// recorder's replays, and the File menu's export and import.
void MainWindow::createSongMenus()
{
    m_recording->fillRecordingsMenu(m_recordingsMenu, m_places.recordingsFolder);
    m_practice = new PracticePanel(m_practiceMenu, *m_recording, *m_keyPath, *m_setup.port, *m_keyMap, m_keys,
                                   practiceHistoryFolder(), this);
    m_songFiles = new SongFilesMenu(menuBar()->findChild<QMenu*>(QStringLiteral("FileMenu")), *m_recording,
                                    *m_panel, *m_setup.port, this);
    m_songFiles->setPractiseStarter([this] { m_practice->practiceItem()->setChecked(true); });
}

// A MIDI keyboard: the input submenu of the device menu, the port chosen at
// start, and the practice's choice of counting notes in any octave.
void MainWindow::createMidiInput()
{
    static NoMidiInputs none;
    MidiInputList& inputs = m_setup.inputs ? *m_setup.inputs : none;
    m_midiKeyboard = std::make_unique<MidiKeyboard>(*m_setup.port, *m_panel, *m_keyPath);
    PracticeController& practice = m_practice->practice();
    m_midiKeyboard->setAwaitedKeys([&practice] {
        return practice.session().isWaiting() ? practice.session().chordKeys() : std::vector<int>();
    });
    QAction* anyOctave = m_practiceMenu->addAction(QStringLiteral("任意八度都算(&O)"));
    anyOctave->setObjectName(QStringLiteral("AnyOctaveItem"));
    anyOctave->setCheckable(true);
    connect(anyOctave, &QAction::toggled, this, [this](bool on) { m_midiKeyboard->setAnyOctave(on); });

    const QString choiceFile = fromPath(m_places.newsOptOut.parent_path() / "midi-input.txt");
    m_midiInput = new MidiInputMenu(m_devicesMenu, inputs, *m_midiKeyboard, choiceFile, this);
    m_midiInput->start(m_setup.midiInput);
}

// The letters belong to the keys: neither the controls nor the menu bar hold
// the keyboard, and computer keys held while a menu opens are let go, as
// they would never see their key-up.
void MainWindow::keepKeysForTheKeyboard()
{
    keepFocusOff(centralWidget());
    auto* accessKeys = new AccessKeyStyle;
    accessKeys->setParent(this);
    menuBar()->setStyle(accessKeys);
    leaveMenuKeysToMenus(centralWidget(), menuBar(), accessKeys);
    for (QMenu* menu : menuBar()->findChildren<QMenu*>())
        connect(menu, &QMenu::aboutToShow, this, &MainWindow::releaseComputerKeys);
}

// The tray icon, with the caption as its tip, and the window state it gives
// back.
void MainWindow::createTrayIcon()
{
    m_restoreWindowState = restoreWindowStateFor(windowState());
    m_tray = new TrayIcon(this);
    m_tray->add(windowIcon(), windowTitle());
    connect(m_tray, &TrayIcon::homePageRequested, m_help, [this] { m_help->click(HelpHomePage); });
    connect(m_tray, &TrayIcon::newsRequested, m_help, [this] { m_help->click(HelpNews); });
    // A build without the news window has no news item in the tray menu either.
    m_tray->action(TrayIcon::News)->setVisible(NewsBuilt);
    connect(m_tray, &TrayIcon::exitRequested, this, &MainWindow::requestExit);
    connect(m_tray, &TrayIcon::restoreRequested, this, [this] { restoreFromTray(this, m_restoreWindowState); });
}

void MainWindow::installKeyPreview()
{
    // Key events reach the window's QWindow before any widget, so a filter
    // there sees each key once, whichever control has the focus, and lets it
    // go on to that control.
    create();
    m_keyPreviewWindow = windowHandle();
    if (m_keyPreviewWindow) {
        m_keyPreviewWindow->installEventFilter(this);
        // So do the keys that the window system still sends to a menu
        // that has just closed.
        auto* closedMenuKeys = new ClosedMenuKeys(m_keyPreviewWindow, menuBar(), this);
        qApp->installEventFilter(closedMenuKeys);
        qApp->installNativeEventFilter(closedMenuKeys);
        qApp->installNativeEventFilter(
            new FocusLossWatch(m_keyPreviewWindow, [this] { releaseComputerKeys(); }, this));
    }
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focus) {
        if (focus != m_keyPreviewWindow)
            releaseComputerKeys();
    });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_keyPreviewWindow) {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
            auto* key = static_cast<QKeyEvent*>(event);
            // Outside a menu a key never goes to the menu bar, which would
            // take a letter for a menu's access key. Moving from one open
            // menu to the next (the arrows, the pointer on another title)
            // gives the bar the focus, and it hands the focus back only to a
            // widget that held it before: here none does, so the bar keeps
            // it after the menus close. The key goes on to the focus set here.
            if (QApplication::focusWidget() == menuBar() && !QApplication::activePopupWidget())
                centralWidget()->setFocus(Qt::OtherFocusReason);
            // A held key repeats; only its first press and its one release count.
            if (!key->isAutoRepeat()) {
                const int code = virtualKeyCode(*key);
                const int shift = modifierMask(*key);
                if (event->type() == QEvent::KeyPress)
                    m_computerKeyboard->keyDown(code, shift);
                else
                    m_computerKeyboard->keyUp(code, shift);
            }
        } else if (event->type() == QEvent::FocusOut) {
            releaseComputerKeys();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::chooseInstrument()
{
    if (!m_panel->canChooseInstrument())
        return;
    const InstrumentChoice choice =
        InstrumentDialog::choose(this, fromUtf8(m_panel->instrumentName()));
    if (!choice.name.isEmpty())
        m_panel->applyChosenInstrument(choice.name.toStdString(), choice.program);
}

void MainWindow::releaseComputerKeys()
{
    if (m_computerKeyboard)
        m_computerKeyboard->focusLost();
}

void MainWindow::setCaption(const std::string& caption)
{
    setWindowTitle(fromUtf8(caption));
}

void MainWindow::setKeyColour(int key, std::uint32_t colour)
{
    if (key >= 0 && key < KeyCount)
        m_keys[static_cast<std::size_t>(key)]->setColour(colour);
}

void MainWindow::setKeyCaption(int key, const std::string& caption)
{
    if (key >= 0 && key < KeyCount)
        m_keys[static_cast<std::size_t>(key)]->setCaption(fromUtf8(caption));
}

void MainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange) {
        // Minimised is remembered as normal, so the tray brings the window back
        // in the state it had before, never minimised.
        m_restoreWindowState = restoreWindowStateFor(windowState());
    }
    QMainWindow::changeEvent(event);
}

void MainWindow::requestExit()
{
    m_closing = true;
    // Let pending events run for a tenth of a second, then unload.
    QTimer::singleShot(100, this, [this] { close(); });
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    unload();
    // The close is refused; the end timer ends the program on its first tick.
    event->ignore();
    m_closing = true;
    m_endTimer->start();
}

void MainWindow::unload()
{
    // Stop a replay; every key is released, so every note gets its note-off.
    m_recording->shutdown();
    // The keyboard's notes stop and its port closes.
    delete m_midiInput;
    m_midiInput = nullptr;
    // Reset, then close, the port: every note stops on the device.
    m_setup.port->reset();
    m_setup.port->close();
    m_tray->remove();
}

}  // namespace kelodi
