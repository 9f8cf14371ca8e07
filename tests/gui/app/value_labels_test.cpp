// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QSet>
#include <QToolButton>

#include <algorithm>

#include "gui/app/main_window_fixture.h"
#include "gui/keyboard/spinner_widget.h"

namespace kelodi {
namespace {

class ValueLabelsTest : public test::MainWindowFixture {};

// Every text a value label can show stays left of the spinner that overlaps
// the label's right end: each spinner is stepped through its whole range with
// its arrows, and each text shown on the way is measured in the label's font.
TEST_F(ValueLabelsTest, EveryTextFitsLeftOfItsSpinner)
{
    const char* rows[][2] = {
        {"ChannelLabel", "ChannelSpinner"}, {"VolumeLabel", "VolumeSpinner"},         {"OctaveLabel", "OctaveSpinner"},
        {"PanLabel", "PanSpinner"},         {"ReverbLabel", "ReverbSpinner"},         {"ChordLabel", "ChordSpinner"},
        {"ModulationLabel", "ModulationSpinner"}, {"ChorusLabel", "ChorusSpinner"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row[0]);
        auto* label = window->findChild<QLabel*>(QString::fromLatin1(row[0]));
        auto* spinner = window->findChild<SpinnerWidget*>(QString::fromLatin1(row[1]));
        ASSERT_NE(label, nullptr);
        ASSERT_NE(spinner, nullptr);
        ASSERT_EQ(label->logicalDpiY(), 96) << "the panel is laid out for 96 dpi";
        ASSERT_TRUE(label->geometry().intersects(spinner->geometry()));
        const int visible = spinner->geometry().left() - label->geometry().left();
        const qreal textLeft = label->contentsRect().left() + label->margin() + std::max(label->indent(), 0);
        const QFontMetricsF metrics(label->font(), label);

        QSet<QString> seen;
        auto measure = [&] {
            const QString text = label->text();
            if (seen.contains(text))
                return;
            seen.insert(text);
            // The pen advance, and the ink of a last letter that overhangs it.
            const qreal right =
                textLeft + std::max(metrics.horizontalAdvance(text), metrics.tightBoundingRect(text).right() + 1);
            EXPECT_LE(right, visible) << '"' << text.toStdString() << "\" in " << metrics.horizontalAdvance(text)
                                      << " px of " << QFontInfo(label->font()).family().toStdString();
        };
        // Down to the lowest value, then up to the highest: the chord spinner
        // skips types 1 and 2 on its way up, so both directions are walked.
        measure();
        while (spinner->downArrow()->isEnabled()) {
            spinner->downArrow()->click();
            measure();
        }
        while (spinner->upArrow()->isEnabled()) {
            spinner->upArrow()->click();
            measure();
        }
        if (QLatin1String(row[0]) == QLatin1String("ChordLabel")) {
            EXPECT_EQ(seen.size(), 11);
        }
    }
}

}  // namespace
}  // namespace kelodi
