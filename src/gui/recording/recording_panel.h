// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <memory>

#include "core/recording/clock.h"
#include "core/recording/recording_ui.h"

class QCheckBox;
class QMenu;
class QPushButton;
class QWidget;

namespace kelodi {

class KeyPath;
class KeyPathPresser;
class PlayerDriver;
class RecordingController;
class RecordingsList;
class SharedScheduler;

// The recorder and player of the main window: the button row in the bottom
// frame, the repeat box, the recordings menu, and the dialogs they
// open. The rules are RecordingController's; this class shows them.
class RecordingPanel : public QObject, private RecordingUi {
    Q_OBJECT
public:
    // Creates the buttons inside `frame`; `repeat` is the "重复录制回放" box.
    RecordingPanel(KeyPath& keyPath, QWidget* frame, QCheckBox* repeat, QWidget* window);
    ~RecordingPanel() override;

    RecordingController& controller() { return *m_controller; }
    // The one clock and the one timer of everything that keeps time: the
    // player has a slot of the scheduler, others add their own.
    const Clock& clock() const { return m_clock; }
    SharedScheduler& scheduler() { return *m_scheduler; }
    QPushButton* button(RecorderButton which) const { return m_buttons[static_cast<std::size_t>(which)]; }

    // Lists the recordings folder into `menu` (once).
    // The save and open dialogs start in that folder.
    void fillRecordingsMenu(QMenu* menu, const std::filesystem::path& recordingsFolder);
    QMenu* recordingsMenu() const { return m_menu; }
    // The folder the recordings list shows (录制/ beside the program).
    std::filesystem::path listedFolder() const;
    // Lists the folder again at once (a recording was saved into it), with
    // the check mark on the item captioned `checked` when there is one.
    void refreshRecordingsMenu(const std::string& checked);

    // Shutdown's first step: ends a replay and releases every key.
    void shutdown();

private:
    // RecordingUi
    void setButtonEnabled(RecorderButton button, bool enabled) override;
    std::optional<std::filesystem::path> chooseSavePath() override;
    std::optional<std::filesystem::path> chooseOpenPath() override;
    bool askYesNo(std::string_view question) override;
    void showMessage(std::string_view text) override;
    bool repeatChecked() const override;

    void addRecordingItems();
    void chooseRecording(int index);
    void showRecordingChecks();

    QWidget* m_window;
    QCheckBox* m_repeat;
    QMenu* m_menu = nullptr;
    QString m_dialogFolder;  // where the file dialogs open
    std::array<QPushButton*, RecorderButtons.size()> m_buttons{};
    SteadyClock m_clock;
    std::unique_ptr<KeyPathPresser> m_presser;
    std::unique_ptr<PlayerDriver> m_driver;
    std::unique_ptr<SharedScheduler> m_scheduler;
    std::unique_ptr<RecordingController> m_controller;
    std::unique_ptr<RecordingsList> m_list;
};

}  // namespace kelodi
