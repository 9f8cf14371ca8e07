// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/midi/midi_menus.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QTimer>
#include <QWidget>

#include "core/app/program_info.h"
#include "core/midi/midi_port.h"
#include "gui/midi/device_info_dialog.h"

namespace kelodi {

namespace {

// Message boxes show their text literally: device names come from outside
// and must never be read as markup.
void showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace

DeviceMenuQt::DeviceMenuQt(QMenu* menu, MidiPort& port,
                           std::function<void(int channel)> sendChannelSettings, QWidget* window)
    : QObject(menu), m_menu(menu), m_window(window), m_port(port)
{
    DeviceMenuView& view = *this;
    m_model = std::make_unique<DeviceMenu>(port, view, std::move(sendChannelSettings));
    makeItem(0, QString::fromUtf8(DeviceMenu::MapperCaption));
    m_separator = m_menu->addSeparator();
    m_deviceInfo = m_menu->addAction(QStringLiteral("设备信息(&S)"));
    m_deviceInfo->setObjectName(QStringLiteral("DeviceInfoItem"));
    connect(m_deviceInfo, &QAction::triggered, this, &DeviceMenuQt::showDeviceInfo);

    m_model->fillDeviceMenu();
    // A port created after start shows up the next time the menu opens.
    connect(m_menu, &QMenu::aboutToShow, this, [this] { m_model->refreshDevices(); });

    // A device that goes away under the open port (its MIDI server quit or
    // died) is noticed within this time, whether or not anything is played.
    auto* watch = new QTimer(this);
    watch->setObjectName(QStringLiteral("DeviceWatch"));
    watch->setInterval(DeviceCheckIntervalMs);
    connect(watch, &QTimer::timeout, this, [this] { m_model->checkDevice(); });
    watch->start();
}

DeviceMenuQt::~DeviceMenuQt() = default;

QAction* DeviceMenuQt::makeItem(int index, const QString& text)
{
    auto* action = new QAction(text, m_menu);
    action->setObjectName(QStringLiteral("DeviceItem_%1").arg(index));
    action->setCheckable(true);
    // Qt toggles the tick before `triggered`; the model then sets every tick.
    connect(action, &QAction::triggered, this, [this, index] { m_model->switchMidiOutput(index); });
    m_menu->insertAction(m_separator, action);
    m_items.push_back(action);
    return action;
}

void DeviceMenuQt::addDeviceItem(int index, const std::string& caption)
{
    // A product name is shown as it is: an ampersand in it is no access key.
    QString text = QString::fromStdString(caption);
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    makeItem(index, text);
}

void DeviceMenuQt::removeDeviceItems()
{
    while (m_items.size() > 1) {
        delete m_items.back();
        m_items.pop_back();
    }
}

void DeviceMenuQt::setItemChecked(int index, bool checked)
{
    if (index >= 0 && index < static_cast<int>(m_items.size()))
        m_items[static_cast<std::size_t>(index)]->setChecked(checked);
}

void DeviceMenuQt::showCriticalError(const std::string& title, const std::string& text)
{
    showMessage(m_window, QMessageBox::Critical, QString::fromStdString(title),
                QString::fromStdString(text));
}

void DeviceMenuQt::showDeviceInfo()
{
    const int id = m_model->checkedDeviceId();
    DeviceInfoDialog::showFor(m_window, m_port.devices().caps(id), id);
}

bool runMixerCommand(QWidget* parent, const QString& program)
{
    if (!program.isEmpty() && QProcess::startDetached(program, {}))
        return true;
    showMessage(parent, QMessageBox::Warning, QString::fromUtf8(ErrorCaption),
                QStringLiteral("Unable to load SndVol32.exe"));
    return false;
}

QAction* addMixerCommand(QMenu* menu, QWidget* window, const QString& program)
{
    QAction* action = menu->addAction(QStringLiteral("打开系统音量(&D)"));
    action->setObjectName(QStringLiteral("MixerItem"));
    QObject::connect(action, &QAction::triggered, menu,
                     [window = QPointer<QWidget>(window), program] { runMixerCommand(window, program); });
    return action;
}

}  // namespace kelodi
