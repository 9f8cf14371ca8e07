// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/midi/device_info_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <initializer_list>
#include <string>
#include <utility>

#include "core/midi/device_info.h"
#include "gui/common/dialog_placement.h"

namespace kelodi {

namespace {

constexpr int RightColumnWidth = 150;

// A value that may be longer than its column (product and maker names): it
// ends in "…" where it is cut, and the whole text is its tool tip.
class ValueLabel : public QLabel {
public:
    ValueLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
    {
        // Device names come from drivers and other programs: never markup.
        setTextFormat(Qt::PlainText);
        setToolTip(text);
        setMinimumWidth(1);
    }

    QSize minimumSizeHint() const override { return {1, QLabel::minimumSizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QRect area = contentsRect();
        painter.setPen(palette().color(foregroundRole()));
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
    }
};

struct Row {
    const char* caption;
    const char* labelName;
    const std::string& value;
};

QGroupBox* makeGroup(QWidget* parent, const char* title, std::initializer_list<Row> rows)
{
    auto* group = new QGroupBox(QString::fromUtf8(title), parent);
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(8, 4, 8, 6);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(2);
    int line = 0;
    for (const Row& row : rows) {
        auto* caption = new QLabel(QString::fromUtf8(row.caption), group);
        auto* value = new ValueLabel(QString::fromStdString(row.value), group);
        value->setObjectName(QString::fromUtf8(row.labelName));
        grid->addWidget(caption, line, 0);
        grid->addWidget(value, line, 1);
        ++line;
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(line, 1);
    return group;
}

}  // namespace

DeviceInfoDialog::DeviceInfoDialog(const MidiDeviceCaps& caps, int deviceId, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("设备信息"));
    setFixedSize(Width, Height);

    const DeviceInfoTexts t = deviceInfoTexts(caps, deviceId);

    QGroupBox* general = makeGroup(this, "General",
                                   {{"Manufacturer:", "ManufacturerValue", t.manufacturer},
                                    {"Device ID:", "DeviceIdValue", t.deviceId},
                                    {"Product Name:", "ProductNameValue", t.productName},
                                    {"Product ID:", "ProductIdValue", t.productId},
                                    {"Manufacturer ID:", "ManufacturerIdValue", t.manufacturerId},
                                    {"Driver Version:", "DriverVersionValue", t.driverVersion},
                                    {"Channel Mask:", "ChannelMaskValue", t.channelMask},
                                    {"Notes:", "NotesValue", t.notes},
                                    {"Voices:", "VoicesValue", t.voices}});
    QGroupBox* support = makeGroup(this, "Support",
                                   {{"Volume:", "VolumeValue", t.volume},
                                    {"LR Volume:", "LrVolumeValue", t.lrVolume},
                                    {"Cache:", "CacheValue", t.cache},
                                    {"Stream:", "StreamValue", t.stream}});
    QGroupBox* technology = makeGroup(this, "Technology",
                                      {{"Midi Port:", "MidiPortValue", t.midiPort},
                                       {"Synth:", "SynthValue", t.synth},
                                       {"Square Synth:", "SquareSynthValue", t.squareSynth},
                                       {"FM Synth:", "FmSynthValue", t.fmSynth},
                                       {"Mapper:", "MapperValue", t.mapper}});

    auto* ok = new QPushButton(QStringLiteral("&Ok"), this);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    // The flags need little room; the names get the rest.
    support->setFixedWidth(RightColumnWidth);
    technology->setFixedWidth(RightColumnWidth);
    auto* right = new QVBoxLayout;
    right->setSpacing(6);
    right->addWidget(support);
    right->addWidget(technology);

    auto* groups = new QHBoxLayout;
    groups->setSpacing(8);
    groups->addWidget(general, 1);
    groups->addLayout(right);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->setSpacing(6);
    layout->addLayout(groups, 1);
    layout->addLayout(buttons);

    centreForm(*this);
}

void DeviceInfoDialog::showFor(QWidget* parent, const MidiDeviceCaps& caps, int deviceId)
{
    DeviceInfoDialog dialog(caps, deviceId, parent);
    dialog.exec();
}

QLabel* DeviceInfoDialog::valueLabel(const QString& name) const
{
    return findChild<QLabel*>(name);
}


}  // namespace kelodi
