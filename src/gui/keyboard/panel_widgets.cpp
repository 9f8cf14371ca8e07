// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/keyboard/panel_widgets.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QRadioButton>

#include "gui/common/twips.h"
#include "gui/common/utf8.h"
#include "gui/keyboard/spinner_widget.h"

namespace kelodi {

namespace {

// A value label and its spinner, which overlaps the label's right end.
struct SpinnerPlace {
    PanelSpinner spinner;
    const char* labelName;
    const char* spinnerName;
    QRect label;
    QRect arrows;
};

const SpinnerPlace SpinnerPlaces[] = {
    {PanelSpinner::Channel, "ChannelLabel", "ChannelSpinner", twipRect(180, 150, 1680, 345),
     twipRect(1560, 180, 300, 315)},
    {PanelSpinner::Volume, "VolumeLabel", "VolumeSpinner", twipRect(2085, 165, 1680, 345),
     twipRect(3480, 180, 300, 315)},
    {PanelSpinner::Octave, "OctaveLabel", "OctaveSpinner", twipRect(7785, 120, 1680, 345),
     twipRect(9180, 120, 300, 315)},
    {PanelSpinner::Pan, "PanLabel", "PanSpinner", twipRect(180, 525, 1680, 345),
     twipRect(1560, 555, 300, 315)},
    {PanelSpinner::Reverb, "ReverbLabel", "ReverbSpinner", twipRect(2085, 525, 1680, 345),
     twipRect(3480, 540, 300, 315)},
    {PanelSpinner::Chord, "ChordLabel", "ChordSpinner", twipRect(7785, 525, 1680, 345),
     twipRect(9180, 540, 300, 315)},
    {PanelSpinner::Modulation, "ModulationLabel", "ModulationSpinner", twipRect(180, 885, 1680, 345),
     twipRect(1560, 915, 300, 315)},
    {PanelSpinner::Chorus, "ChorusLabel", "ChorusSpinner", twipRect(2085, 885, 1680, 345),
     twipRect(3480, 900, 300, 315)},
};

QLabel* createValueLabel(QWidget* parent, const char* name, const QRect& geometry)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    // Light orange, red 255 green 224 blue 192.
    palette.setColor(QPalette::Window, QColor(255, 224, 192));
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
    // 宋体 draws Latin letters at half the width of a Chinese character, which
    // is what the labels are measured for (" Dominant 7th" takes 91 of the 93
    // pixels left of the chord spinner). Where it is missing, the monospaced
    // Noto CJK has the same half-width letters; the proportional Noto faces
    // are wider and push the last letters under the spinner.
    QFont font(QStringList{QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("Noto Sans Mono CJK SC")});
    font.setPointSizeF(10.5);
    label->setFont(font);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

std::size_t slot(PanelSpinner spinner) { return static_cast<std::size_t>(spinner); }

}  // namespace

PanelWidgets::PanelWidgets(InstrumentPanel& panel, QWidget* surface) : QObject(surface), m_panel(panel)
{
    createSpinners(surface);
    createChoices(surface);
    createInstrumentLabels(surface);
    m_panel.setView(this);
}

PanelWidgets::~PanelWidgets()
{
    m_panel.setView(nullptr);
}

void PanelWidgets::createSpinners(QWidget* surface)
{
    for (const SpinnerPlace& place : SpinnerPlaces) {
        m_labels[slot(place.spinner)] = createValueLabel(surface, place.labelName, place.label);
        auto* spinner = new SpinnerWidget(surface);
        spinner->setObjectName(QString::fromLatin1(place.spinnerName));
        spinner->setGeometry(place.arrows);
        spinner->raise();  // the arrows overlap the label's right end
        const PanelSpinner which = place.spinner;
        connect(spinner, &SpinnerWidget::stepRequested, this, [this, which](int steps) { m_panel.step(which, steps); });
        m_spinners[slot(place.spinner)] = spinner;
    }
}

// The boxes and options change their look on a click before reporting it;
// showPanel then sets them to what the panel made of the click.
void PanelWidgets::createChoices(QWidget* surface)
{
    m_sustain = new QCheckBox(QStringLiteral("长音"), surface);
    m_sustain->setObjectName(QStringLiteral("SustainBox"));
    m_sustain->setGeometry(twipRect(5820, 960, 825, 255));
    connect(m_sustain, &QCheckBox::clicked, this, [this](bool checked) { m_panel.setSustain(checked); });
    m_mute = new QCheckBox(QStringLiteral("静音"), surface);
    m_mute->setObjectName(QStringLiteral("MuteBox"));
    m_mute->setGeometry(twipRect(6720, 960, 825, 255));
    connect(m_mute, &QCheckBox::clicked, this, [this](bool checked) { m_panel.setMute(checked); });

    m_singleNote = new QRadioButton(QStringLiteral("单音"), surface);
    m_singleNote->setObjectName(QStringLiteral("SingleNoteOption"));
    m_singleNote->setGeometry(twipRect(7800, 960, 795, 255));
    connect(m_singleNote, &QRadioButton::clicked, this, [this] { m_panel.chooseSingleNote(); });
    m_chord = new QRadioButton(QStringLiteral("和弦"), surface);
    m_chord->setObjectName(QStringLiteral("ChordOption"));
    m_chord->setGeometry(twipRect(8700, 960, 735, 255));
    connect(m_chord, &QRadioButton::clicked, this, [this] { m_panel.chooseChord(); });
}

void PanelWidgets::createInstrumentLabels(QWidget* surface)
{
    m_hint = new QLabel(fromUtf8("点击选择模拟乐器"), surface);
    m_hint->setObjectName(QStringLiteral("InstrumentHint"));
    m_hint->setGeometry(twipRect(4440, 240, 2235, 195));
    m_hint->setAlignment(Qt::AlignCenter);

    m_instrument = new QLabel(surface);
    m_instrument->setObjectName(QStringLiteral("InstrumentLabel"));
    m_instrument->setGeometry(twipRect(4020, 540, 3330, 315));
    m_instrument->setAlignment(Qt::AlignCenter);
    m_instrument->setCursor(Qt::PointingHandCursor);
    QFont bold = m_instrument->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    m_instrument->setFont(bold);
    m_instrument->installEventFilter(this);
}

bool PanelWidgets::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_instrument && event->type() == QEvent::MouseButtonPress) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            emit instrumentLabelPressed();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void PanelWidgets::showPanel(const PanelState& state)
{
    for (const SpinnerPlace& place : SpinnerPlaces) {
        const SpinnerRange range = spinnerRange(place.spinner);
        m_labels[slot(place.spinner)]->setText(fromUtf8(state.caption(place.spinner)));
        m_spinners[slot(place.spinner)]->showValue(state.value(place.spinner), range.minimum, range.maximum);
    }
    m_sustain->setChecked(state.settings.sustain);
    m_mute->setChecked(state.settings.mute);
    m_singleNote->setChecked(state.singleNote());
    m_chord->setChecked(!state.singleNote());
    m_hint->setVisible(state.instrumentHintShown());
    m_instrument->setText(fromUtf8(state.settings.instrumentName));
}

}  // namespace kelodi
