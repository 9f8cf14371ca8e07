// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/midi/midi_input_menu.h"

#include <QAction>
#include <QActionGroup>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QSaveFile>
#include <QTimer>
#include <QWidget>

#include <cstdio>

#include "core/app/program_info.h"
#include "core/keyboard/midi_keyboard.h"
#include "core/midi/midi_byte_parser.h"
#include "core/midi/midi_in.h"

namespace kelodi {

// What one open port has played and the window has not shown yet. Each port
// has its own: notes of a port closed meanwhile are never shown.
struct MidiInputMenu::Inbox {
    MidiByteParser parser;  // the port's thread only
    std::mutex mutex;
    std::vector<MidiKeyboard::KeyNote> notes;
    bool scheduled = false;
};

MidiInputMenu::MidiInputMenu(QMenu* devicesMenu, MidiInputList& inputs, MidiKeyboard& keyboard, QString choiceFile,
                             QWidget* window)
    : QObject(devicesMenu), m_menu(new QMenu(QStringLiteral("MIDI输入(&I)"), devicesMenu)),
      m_group(new QActionGroup(m_menu)), m_inputs(inputs), m_keyboard(keyboard), m_choiceFile(std::move(choiceFile)),
      m_window(window)
{
    m_menu->setObjectName(QStringLiteral("MidiInputMenu"));
    devicesMenu->addSeparator();
    devicesMenu->addMenu(m_menu);
    m_group->setExclusive(true);
    connect(devicesMenu, &QMenu::aboutToShow, this, &MidiInputMenu::listPorts);
    listPorts();

    auto* watch = new QTimer(this);
    watch->setObjectName(QStringLiteral("MidiInputWatch"));
    watch->setInterval(DeviceCheckIntervalMs);
    connect(watch, &QTimer::timeout, this, &MidiInputMenu::checkDevice);
    watch->start();
}

MidiInputMenu::~MidiInputMenu()
{
    // The handler must never run once this object is gone.
    if (m_in)
        m_in->close();
}

void MidiInputMenu::listPorts()
{
    for (QAction* action : m_menu->actions()) {
        m_group->removeAction(action);
        delete action;
    }
    std::vector<std::string> names = m_inputs.names();
    // The port in use stays listed while it is open, even if the list was
    // read without it.
    if (!m_current.empty() && std::find(names.begin(), names.end(), m_current) == names.end())
        names.insert(names.begin(), m_current);
    names.insert(names.begin(), std::string());
    int index = 0;
    for (const std::string& name : names) {
        QString text = name.empty() ? QStringLiteral("无") : QString::fromStdString(name);
        if (!name.empty())
            text.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* action = m_menu->addAction(text);
        action->setObjectName(QStringLiteral("MidiInputItem_%1").arg(index++));
        action->setCheckable(true);
        action->setChecked(name == m_current);
        m_group->addAction(action);
        connect(action, &QAction::triggered, this, [this, name] { choose(name); });
    }
}

bool MidiInputMenu::start(const QString& commandLinePort)
{
    if (!commandLinePort.isEmpty()) {
        if (open(commandLinePort.toStdString()))
            return true;
        std::fprintf(stderr, "kelodi: the MIDI input %s cannot be opened\n", commandLinePort.toUtf8().constData());
        return false;
    }
    const std::string name = remembered();
    if (name.empty())
        return true;
    const std::vector<std::string> names = m_inputs.names();
    if (std::find(names.begin(), names.end(), name) == names.end())
        return true;  // not plugged in today: stays remembered for another day
    return open(name);
}

bool MidiInputMenu::choose(const std::string& name)
{
    const bool opened = name.empty() || open(name);
    if (!opened) {
        closePort();
        QMessageBox box(QMessageBox::Critical, QString::fromUtf8(ErrorCaption),
                        QStringLiteral("Unable To Open ") + QString::fromStdString(name), QMessageBox::Ok, m_window);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    } else if (name.empty()) {
        closePort();
    }
    remember(opened ? name : std::string());
    listPorts();
    return opened;
}

bool MidiInputMenu::open(const std::string& name)
{
    closePort();
    auto inbox = std::make_shared<Inbox>();
    QPointer<MidiInputMenu> self(this);
    MidiKeyboard* keyboard = &m_keyboard;
    // On the port's thread: sound each message at once, keep what the keys
    // are to show and, unless already done, ask the window thread to show it.
    // The port's close() waits for this to return, and the menu closes the
    // port before the keyboard goes.
    auto handler = [inbox, self, keyboard](const std::uint8_t* bytes, std::size_t length) {
        for (std::size_t i = 0; i < length; ++i) {
            const std::optional<ShortMessage> message = inbox->parser.feed(bytes[i]);
            if (!message)
                continue;
            const std::optional<MidiKeyboard::KeyNote> note = keyboard->play(*message);
            if (!note)
                continue;
            std::lock_guard lock(inbox->mutex);
            inbox->notes.push_back(*note);
            if (inbox->scheduled)
                continue;
            inbox->scheduled = true;
            QMetaObject::invokeMethod(self.data(), [self] {
                if (self)
                    self->deliverPending();
            }, Qt::QueuedConnection);
        }
    };
    m_in = m_inputs.open(name, handler);
    if (!m_in)
        return false;
    m_inbox = std::move(inbox);
    m_current = name;
    listPorts();
    return true;
}

void MidiInputMenu::deliverPending()
{
    if (!m_inbox)
        return;
    std::vector<MidiKeyboard::KeyNote> notes;
    {
        std::lock_guard lock(m_inbox->mutex);
        notes.swap(m_inbox->notes);
        m_inbox->scheduled = false;
    }
    for (const MidiKeyboard::KeyNote& note : notes)
        m_keyboard.show(note);
}

void MidiInputMenu::closePort()
{
    if (m_in) {
        m_in->close();
        m_in.reset();
        // What it played before it closed is shown, then let go of.
        deliverPending();
    }
    m_inbox.reset();
    m_keyboard.releaseAll();
    m_current.clear();
}

void MidiInputMenu::checkDevice()
{
    if (!m_in || !m_in->disconnected())
        return;
    // Closed first: the message box runs the event loop, and this check
    // must find nothing more to report meanwhile.
    closePort();
    listPorts();
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(programTitle()), QString::fromUtf8(LostMessage),
                    QMessageBox::Ok, m_window);
    box.exec();
}

void MidiInputMenu::remember(const std::string& name)
{
    if (m_choiceFile.isEmpty())
        return;
    QSaveFile file(m_choiceFile);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(QByteArray::fromStdString(name + "\n"));
    file.commit();
}

std::string MidiInputMenu::remembered() const
{
    QFile file(m_choiceFile);
    if (m_choiceFile.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    return file.readLine(4096).trimmed().toStdString();
}

}  // namespace kelodi
