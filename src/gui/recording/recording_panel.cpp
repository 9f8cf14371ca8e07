// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/recording/recording_panel.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

#include "core/app/program_info.h"
#include "core/recording/key_path_presser.h"
#include "core/recording/recording_controller.h"
#include "core/recording/shared_scheduler.h"
#include "core/recording/recordings_list.h"
#include "core/text/utf8.h"
#include "gui/common/message_box_width.h"
#include "gui/common/twips.h"
#include "gui/common/utf8.h"
#include "gui/recording/player_driver.h"
#include "platform/files/atomic_file.h"
#include "platform/text/system_text_codec.h"

namespace kelodi {

namespace {

// The common file dialog of the recorder and the player; empty when cancelled.
std::optional<std::filesystem::path> chosenPath(const QString& name)
{
    if (name.isEmpty())
        return std::nullopt;
    return pathFromUtf8(name.toStdString());
}

QString buttonName(RecorderButton button)
{
    switch (button) {
    case RecorderButton::StartRecording: return QStringLiteral("StartRecordingButton");
    case RecorderButton::EndRecording: return QStringLiteral("EndRecordingButton");
    case RecorderButton::Replay: return QStringLiteral("ReplayButton");
    case RecorderButton::Stop: return QStringLiteral("StopButton");
    case RecorderButton::Save: return QStringLiteral("SaveButton");
    case RecorderButton::PlayFile: return QStringLiteral("PlayFileButton");
    }
    return {};
}

}  // namespace

RecordingPanel::RecordingPanel(KeyPath& keyPath, QWidget* frame, QCheckBox* repeat, QWidget* window)
    : QObject(window), m_window(window), m_repeat(repeat), m_presser(std::make_unique<KeyPathPresser>(keyPath)),
      m_driver(std::make_unique<PlayerDriver>(m_clock)), m_scheduler(std::make_unique<SharedScheduler>(*m_driver)),
      m_list(std::make_unique<RecordingsList>())
{
    for (const RecorderButtonPlace& place : RecorderButtons) {
        auto* button = new QPushButton(fromUtf8(place.caption), frame);
        button->setObjectName(buttonName(place.button));
        button->setGeometry(twipRect(place.left, RecorderButtonTop, RecorderButtonWidth, RecorderButtonHeight));
        const RecorderButton which = place.button;
        connect(button, &QPushButton::clicked, this, [this, which] { m_controller->click(which); });
        m_buttons[static_cast<std::size_t>(which)] = button;
    }
    RecordingUi& ui = *this;
    m_controller = std::make_unique<RecordingController>(*m_presser, ui, m_scheduler->addSlot(), m_clock, systemTextCodec(),
                                                         atomicFileSaver());
    keyPath.setRecorder(m_controller.get());
    m_controller->publishButtonStates();
}

RecordingPanel::~RecordingPanel()
{
    m_driver->cancel();
}

void RecordingPanel::fillRecordingsMenu(QMenu* menu, const std::filesystem::path& recordingsFolder)
{
    m_menu = menu;
    m_dialogFolder = QString::fromStdString(pathToUtf8(recordingsFolder));
    *m_list = RecordingsList(recordingsFolder, &systemTextCodec());
    m_list->fill();
    addRecordingItems();
}

std::filesystem::path RecordingPanel::listedFolder() const
{
    return m_list->folder();
}

void RecordingPanel::refreshRecordingsMenu(const std::string& checked)
{
    if (!m_menu)
        return;
    m_menu->clear();
    m_list->fill();
    const std::vector<std::string>& captions = m_list->captions();
    const auto found = std::find(captions.begin(), captions.end(), checked);
    if (found != captions.end())
        m_list->choose(static_cast<int>(found - captions.begin()));
    addRecordingItems();
}

void RecordingPanel::addRecordingItems()
{
    const std::vector<std::string>& captions = m_list->captions();
    for (int i = 0; i < static_cast<int>(captions.size()); ++i) {
        // A file name is shown as it is: an "&" in it is no access key.
        QString caption = QString::fromStdString(captions[static_cast<std::size_t>(i)]);
        caption.replace(QLatin1Char('&'), QLatin1String("&&"));
        QAction* item = m_menu->addAction(caption);
        item->setObjectName(QStringLiteral("RecordingItem_%1").arg(i));
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, i] { chooseRecording(i); });
    }
    showRecordingChecks();
}

void RecordingPanel::chooseRecording(int index)
{
    const int previous = m_list->checkedItem();
    const std::filesystem::path path = m_list->choose(index);
    showRecordingChecks();
    const PlayFileOutcome outcome = m_controller->playListedRecording(path);
    // A file that is there but too large or unreadable was not played: the
    // check mark stays with the recording that was.
    if (outcome == PlayFileOutcome::TooLarge || outcome == PlayFileOutcome::Unreadable) {
        m_list->choose(previous);
        showRecordingChecks();
    }
}

void RecordingPanel::showRecordingChecks()
{
    const QList<QAction*> items = m_menu->actions();
    for (int i = 0; i < items.size(); ++i)
        items[i]->setChecked(i == m_list->checkedItem());
}

void RecordingPanel::shutdown()
{
    m_controller->shutdown();
}

void RecordingPanel::setButtonEnabled(RecorderButton button, bool enabled)
{
    m_buttons[static_cast<std::size_t>(button)]->setEnabled(enabled);
}

std::optional<std::filesystem::path> RecordingPanel::chooseSavePath()
{
    return chosenPath(QFileDialog::getSaveFileName(m_window, fromUtf8(RecordingDialogTitle), m_dialogFolder,
                                                   fromUtf8(RecordingDialogFilter)));
}

std::optional<std::filesystem::path> RecordingPanel::chooseOpenPath()
{
    return chosenPath(QFileDialog::getOpenFileName(m_window, fromUtf8(RecordingDialogTitle), m_dialogFolder,
                                                   fromUtf8(RecordingDialogFilter)));
}

bool RecordingPanel::askYesNo(std::string_view question)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(programTitle()), fromUtf8(question),
                    QMessageBox::Yes | QMessageBox::No, m_window);
    fitTitle(box);
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Yes;
}

void RecordingPanel::showMessage(std::string_view text)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(programTitle()), fromUtf8(text), QMessageBox::Ok,
                    m_window);
    box.setTextFormat(Qt::PlainText);
    fitTitle(box);
    box.exec();
}

bool RecordingPanel::repeatChecked() const
{
    return m_repeat->isChecked();
}

}  // namespace kelodi
