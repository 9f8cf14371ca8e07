// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/keyboard/instrument_dialog.h"

#include <QListWidget>
#include <QPushButton>

#include <string>

#include "core/keyboard/instrument_names.h"
#include "gui/common/dialog_placement.h"
#include "gui/common/twips.h"

namespace kelodi {

InstrumentDialog::InstrumentDialog(const QString& currentName, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("选择模拟乐器"));

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("InstrumentList"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setGeometry(twipRect(120, 120, 8175, 3450));
    // A name's row is its program number.
    for (int program = 0; program < InstrumentCount; ++program) {
        const std::string_view name = instrumentName(program);
        m_list->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    }

    const int preselected = instrumentPreselection(currentName.toStdString());
    if (preselected >= 0) {
        m_list->setCurrentRow(preselected);
        m_list->scrollToItem(m_list->item(preselected), QAbstractItemView::PositionAtCenter);
    } else {
        // Keyboard focus on the list must not quietly select its first entry.
        m_list->setCurrentRow(-1);
        m_list->clearSelection();
    }

    m_ok = new QPushButton(QStringLiteral("选择(&O)"), this);
    m_ok->setObjectName(QStringLiteral("OkButton"));
    m_ok->setGeometry(twipRect(4800, 3660, 1035, 315));
    m_cancel = new QPushButton(QStringLiteral("取消(&C)"), this);
    m_cancel->setObjectName(QStringLiteral("CancelButton"));
    m_cancel->setGeometry(twipRect(6420, 3660, 1035, 315));

    connect(m_ok, &QPushButton::clicked, this, &InstrumentDialog::takeSelection);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &InstrumentDialog::takeSelection);
    connect(m_cancel, &QPushButton::clicked, this, &InstrumentDialog::reject);

    setFixedSize(Width, Height);
    centreForm(*this);
}

void InstrumentDialog::takeSelection()
{
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty()) {
        m_choice = {};
    } else {
        m_choice.name = selected.front()->text();
        m_choice.program = m_list->row(selected.front());
    }
    accept();
}

void InstrumentDialog::reject()
{
    // Cancel, Escape and the close box all come here.
    m_choice = {};
    QDialog::reject();
}

InstrumentChoice InstrumentDialog::choose(QWidget* parent, const QString& currentName)
{
    InstrumentDialog dialog(currentName, parent);
    dialog.exec();
    return dialog.choice();
}

}  // namespace kelodi
