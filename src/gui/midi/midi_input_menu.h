// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class QAction;
class QActionGroup;
class QMenu;
class QWidget;

namespace kelodi {

class MidiIn;
class MidiInputList;
class MidiKeyboard;

// The submenu "MIDI输入(&I)" of the device menu and the input port it
// chooses: "无" and every input port of the system, listed anew each time the
// device menu opens, the port in use ticked. The choice is written to
// `choiceFile` and taken up again at the next start when that port is there.
//
// The port's messages arrive on its own thread and sound from there at once
// (MidiKeyboard::play); what they do to the keys is handed to the window
// thread in order and shown there (MidiKeyboard::show). A port that
// goes away is noticed within DeviceCheckIntervalMs: every note it left
// sounding is released and "MIDI输入设备已断开。" is shown once.
class MidiInputMenu : public QObject {
    Q_OBJECT
public:
    static constexpr const char* LostMessage = "MIDI输入设备已断开。";
    static constexpr int DeviceCheckIntervalMs = 500;

    MidiInputMenu(QMenu* devicesMenu, MidiInputList& inputs, MidiKeyboard& keyboard, QString choiceFile,
                  QWidget* window);
    ~MidiInputMenu() override;

    // At start: the port named on the command line (`--midi-input`; a port
    // that is not there is reported on stderr), else the remembered one when
    // it is there. False when a port was asked for and did not open.
    bool start(const QString& commandLinePort);

    // Uses port `name`, or none for an empty name, and remembers the choice.
    // False when the port did not open (the choice is then "无").
    bool choose(const std::string& name);

    QMenu* menu() const { return m_menu; }
    const std::string& current() const { return m_current; }

    // Shows the notes that have arrived now (tests; the event loop does it
    // by itself).
    void deliverPending();
    // Looks whether the port has gone away (the timer does it twice a second).
    void checkDevice();

private:
    struct Inbox;

    void listPorts();
    bool open(const std::string& name);
    void closePort();
    void remember(const std::string& name);
    std::string remembered() const;

    QMenu* m_menu;
    QActionGroup* m_group;
    MidiInputList& m_inputs;
    MidiKeyboard& m_keyboard;
    QString m_choiceFile;
    QWidget* m_window;
    std::unique_ptr<MidiIn> m_in;
    std::shared_ptr<Inbox> m_inbox;
    std::string m_current;
};

}  // namespace kelodi
