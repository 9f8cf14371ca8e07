// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/import/part_chooser.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/import/part_preview.h"
#include "gui/common/utf8.h"
#include "gui/recording/player_driver.h"

namespace kelodi {

namespace {

const QString Prompt = QStringLiteral("请选择旋律所在的声部：");
const QString MelodyMark = QStringLiteral("旋律");
const QString PreviewText = QStringLiteral("试听(&P)");
const QString MoveToCText = QStringLiteral("移到 C 调");
const QString SingleNotesText = QStringLiteral("用单音播放");
const QString OkText = QStringLiteral("确定");
const QString CancelText = QStringLiteral("取消");

enum Column { MarkColumn, NameColumn, InstrumentColumn, NotesColumn, RangeColumn, ReasonColumn, ColumnCount };

// The part's name as the file gives it, else where it is: "音轨 2" for a
// MIDI track (its parts always have a channel), "第 2 声部" for a part of a
// score; a voice of a part adds "（声部 2）".
QString partName(const PartFacts& facts)
{
    QString name = fromUtf8(facts.name).trimmed();
    if (name.isEmpty())
        name = facts.channel < 0 ? QStringLiteral("第 %1 声部").arg(facts.track)
                                 : QStringLiteral("音轨 %1").arg(facts.track);
    if (facts.voice > 0)
        name += QStringLiteral("（声部 %1）").arg(facts.voice);
    return name;
}

Transposition transpositionOf(bool moveToC)
{
    Transposition transposition;
    transposition.mode = moveToC ? Transposition::Mode::Auto : Transposition::Mode::Keep;
    return transposition;
}

}  // namespace

PartChooser::PartChooser(const ImportedSong& song, const QString& title, MidiPort& port, int previewChannel,
                         QWidget* parent)
    : QDialog(parent), m_song(song), m_port(port), m_previewChannel(previewChannel)
{
    setObjectName(QStringLiteral("PartChooser"));
    setWindowTitle(title);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_table = new QTableWidget(0, ColumnCount, this);
    m_table->setObjectName(QStringLiteral("PartTable"));
    m_table->setHorizontalHeaderLabels({QString(), QStringLiteral("名称"), QStringLiteral("乐器"),
                                        QStringLiteral("音符"), QStringLiteral("音区"), QStringLiteral("依据")});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->setWordWrap(false);
    m_table->horizontalHeader()->setStretchLastSection(true);

    m_preview = new QPushButton(PreviewText, this);
    m_preview->setObjectName(QStringLiteral("PreviewButton"));
    m_moveToC = new QCheckBox(MoveToCText, this);
    m_moveToC->setObjectName(QStringLiteral("MoveToCBox"));
    m_singleNotes = new QCheckBox(SingleNotesText, this);
    m_singleNotes->setObjectName(QStringLiteral("SingleNotesBox"));
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(OkText, QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setDefault(true);
    buttons->addButton(CancelText, QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("CancelButton"));

    auto* options = new QHBoxLayout;
    options->addWidget(m_preview);
    options->addSpacing(16);
    options->addWidget(m_moveToC);
    options->addWidget(m_singleNotes);
    options->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Prompt, this));
    layout->addWidget(m_table, 1);
    layout->addLayout(options);
    layout->addWidget(buttons);

    const std::optional<PartChoice> initial = defaultPartChoice(song);
    const PartChoice choice = initial.value_or(PartChoice{});
    m_moveToC->setChecked(choice.moveToC);
    m_singleNotes->setChecked(choice.singleNotes);
    fillRows();
    if (initial)
        m_table->selectRow(static_cast<int>(choice.part));
    m_table->resizeColumnsToContents();
    // Room for the octave dots, which the fonts' metrics often leave out.
    for (int column : {InstrumentColumn, RangeColumn})
        m_table->setColumnWidth(column, m_table->columnWidth(column) + 12);
    m_table->setFocus();

    m_driver = std::make_unique<PlayerDriver>(m_clock);
    m_player = std::make_unique<PartPreview>(m_port, *m_driver, m_clock);

    connect(m_preview, &QPushButton::clicked, this, &PartChooser::startPreview);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &PartChooser::stopPreview);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, &QDialog::accept);
    connect(m_moveToC, &QCheckBox::toggled, this, &PartChooser::fillRows);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    int width = 0;
    for (int c = 0; c < ColumnCount; ++c)
        width += m_table->columnWidth(c);
    resize(std::max(560, width + 60), 200 + 30 * std::min<int>(m_table->rowCount(), 10));
}

PartChooser::~PartChooser()
{
    // The preview goes before the driver it is scheduled on.
    m_player.reset();
}

// The rows again, with the ranges as the parts would come in with the box
// "移到 C 调" as it is now; the selection stays.
void PartChooser::fillRows()
{
    const std::vector<PartFacts> facts = partFacts(m_song, transpositionOf(m_moveToC->isChecked()));
    const QSignalBlocker quiet(m_table);
    const int selected = m_table->currentRow();
    m_table->setRowCount(static_cast<int>(facts.size()));
    for (std::size_t p = 0; p < facts.size(); ++p) {
        const PartFacts& part = facts[p];
        const auto row = static_cast<int>(p);
        const QStringList cells = {part.guess ? MelodyMark : QString(),
                                   partName(part),
                                   fromUtf8(part.instrument),
                                   QString::number(part.notes),
                                   fromUtf8(part.range),
                                   fromUtf8(part.reason)};
        for (int c = 0; c < ColumnCount; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c == NotesColumn)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_table->setItem(row, c, item);
        }
    }
    if (selected >= 0)
        m_table->selectRow(selected);
}

PartChoice PartChooser::choice() const
{
    PartChoice choice;
    choice.part = static_cast<std::size_t>(std::max(m_table->currentRow(), 0));
    choice.moveToC = m_moveToC->isChecked();
    choice.singleNotes = m_singleNotes->isChecked();
    return choice;
}

bool PartChooser::isPreviewing() const
{
    return m_player->isPlaying();
}

void PartChooser::startPreview()
{
    const int row = m_table->currentRow();
    if (row < 0 || row >= static_cast<int>(m_song.parts.size()))
        return;
    m_player->start(m_song.parts[static_cast<std::size_t>(row)], m_previewChannel);
}

void PartChooser::stopPreview()
{
    if (m_player)
        m_player->stop();
}

void PartChooser::done(int result)
{
    stopPreview();
    QDialog::done(result);
}

}  // namespace kelodi
