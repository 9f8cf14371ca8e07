// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <memory>
#include <vector>

#include "core/import/imported_song.h"
#include "core/import/part_choice.h"
#include "core/import/part_facts.h"
#include "core/recording/clock.h"

class QCheckBox;
class QPushButton;
class QTableWidget;

namespace kelodi {

class MidiPort;
class PartPreview;
class PlayerDriver;

// The part chooser of "导入 MIDI 文件..." and "导入 MusicXML 文件...": one row
// per part of the song (旋律 for the melody finder's guess, 名称, 乐器 in
// General MIDI's Chinese names, 音符, 音区 in jianpu as the part would come
// in), the guess preselected; "试听" plays the first seconds of the selected
// part on `previewChannel` through `port` until another row is chosen, the
// dialog closes or the preview ends; "移到 C 调" and "用单音播放" as
// defaultPartChoice sets them. "确定" (or a double click on a row) takes the
// selected part; "取消", Escape and the close box take nothing.
class PartChooser : public QDialog {
    Q_OBJECT
public:
    // `song` must hold a part with notes and outlive the dialog.
    PartChooser(const ImportedSong& song, const QString& title, MidiPort& port, int previewChannel,
                QWidget* parent = nullptr);
    ~PartChooser() override;

    // What the rows and boxes say now.
    PartChoice choice() const;

    QTableWidget* table() const { return m_table; }
    QPushButton* previewButton() const { return m_preview; }
    QCheckBox* moveToCBox() const { return m_moveToC; }
    QCheckBox* singleNotesBox() const { return m_singleNotes; }
    bool isPreviewing() const;

    void done(int result) override;

private:
    void fillRows();
    void startPreview();
    void stopPreview();

    const ImportedSong& m_song;
    MidiPort& m_port;
    int m_previewChannel;
    QTableWidget* m_table;
    QPushButton* m_preview;
    QCheckBox* m_moveToC;
    QCheckBox* m_singleNotes;
    SteadyClock m_clock;
    std::unique_ptr<PlayerDriver> m_driver;
    std::unique_ptr<PartPreview> m_player;
};

}  // namespace kelodi
