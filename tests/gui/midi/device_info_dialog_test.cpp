// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/midi/device_info_dialog.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <map>

#include "gui/common/dialog_placement.h"
#include "gui/midi/modal_helper.h"

namespace kelodi {
namespace {

std::map<QString, QString> labelTexts(const DeviceInfoDialog& dialog)
{
    std::map<QString, QString> texts;
    for (const char* name : {"ManufacturerValue", "DeviceIdValue", "ProductNameValue", "ProductIdValue",
                             "ManufacturerIdValue", "DriverVersionValue", "ChannelMaskValue", "NotesValue",
                             "VoicesValue", "VolumeValue", "LrVolumeValue", "CacheValue", "StreamValue",
                             "MidiPortValue", "SynthValue", "SquareSynthValue", "FmSynthValue", "MapperValue"}) {
        QLabel* label = dialog.valueLabel(QString::fromLatin1(name));
        texts[QString::fromLatin1(name)] = label ? label->text() : QStringLiteral("<missing>");
    }
    return texts;
}

// The texts themselves are worked out and tested in core; here every value
// label must be present, filled from its own field, beside its caption.
TEST(DeviceInfoDialog, EveryLabelShowsItsFieldBesideItsCaption)
{
    MidiDeviceCaps caps;
    caps.productName = "<b>Kelodi</b> GM Synth";
    caps.technology = MidiTechnology::Mapper;
    caps.voices = 256;
    caps.notes = 256;
    caps.channelMask = 0xFFFF;
    caps.driverVersion = 0x0203;
    caps.support = MidiSupport::Volume | MidiSupport::LrVolume;

    DeviceInfoDialog dialog(caps, MidiMapperId);
    const std::map<QString, QString> expected = {
        {"ManufacturerValue", "Unknown"}, {"DeviceIdValue", "-1"},
        {"ProductNameValue", "<b>Kelodi</b> GM Synth"}, {"ProductIdValue", "0"},
        {"ManufacturerIdValue", "0"},     {"DriverVersionValue", "2.03"},
        {"ChannelMaskValue", "65535"},    {"NotesValue", "256"},
        {"VoicesValue", "256"},           {"VolumeValue", "True"},
        {"LrVolumeValue", "True"},        {"CacheValue", "False"},
        {"StreamValue", "False"},         {"MidiPortValue", "False"},
        {"SynthValue", "False"},          {"SquareSynthValue", "False"},
        {"FmSynthValue", "False"},        {"MapperValue", "True"},
    };
    EXPECT_EQ(labelTexts(dialog), expected);
    // A name from outside is shown as it is, never as markup.
    EXPECT_EQ(dialog.valueLabel(QStringLiteral("ProductNameValue"))->textFormat(), Qt::PlainText);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("设备信息"));
    EXPECT_EQ(dialog.size(), QSize(448, 282));

    QStringList groups;
    for (const QGroupBox* group : dialog.findChildren<QGroupBox*>())
        groups << group->title();
    EXPECT_EQ(groups, (QStringList{"General", "Support", "Technology"}));

    // Every caption of the three groups is there, beside its value.
    QStringList captions;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        if (label->objectName().isEmpty())
            captions << label->text();
    EXPECT_EQ(captions, (QStringList{"Manufacturer:", "Device ID:", "Product Name:", "Product ID:",
                                     "Manufacturer ID:", "Driver Version:", "Channel Mask:", "Notes:",
                                     "Voices:", "Volume:", "LR Volume:", "Cache:", "Stream:",
                                     "Midi Port:", "Synth:", "Square Synth:", "FM Synth:", "Mapper:"}));
}

TEST(DeviceInfoDialog, StandsCentredAThirdDownTheScreen)
{
    DeviceInfoDialog dialog(MidiDeviceCaps{}, 0);
    const QRect area = dialog.screen()->availableGeometry();
    // In twips: free width 15 * (w - 448) halved, free height 15 * (h - 282)
    // thirded, back to pixels.
    EXPECT_EQ(dialog.pos(), area.topLeft() + QPoint((area.width() - 448) * 15 / 2 / 15,
                                                    (area.height() - 282) * 15 / 3 / 15));

    // A form larger than the screen keeps its title bar on the screen.
    QWidget huge;
    huge.resize(area.width() + 300, area.height() + 300);
    centreForm(huge);
    EXPECT_EQ(huge.pos(), area.topLeft());
}

TEST(DeviceInfoDialog, OkClosesTheModalDialog)
{
    MidiDeviceCaps caps;
    caps.productName = "Port";
    QString title;
    test::NextModal ok([&](QWidget& modal) {
        title = modal.windowTitle();
        modal.findChild<QPushButton*>(QStringLiteral("OkButton"))->click();
    });
    QWidget owner;
    DeviceInfoDialog::showFor(&owner, caps, 0);
    EXPECT_EQ(ok.seen(), 1);
    EXPECT_EQ(title, QStringLiteral("设备信息"));
}

}  // namespace
}  // namespace kelodi
