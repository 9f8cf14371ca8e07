// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QTemporaryDir>

#include "gui/app/qt_translations.h"

namespace kelodi {
namespace {

QString okButtonText()
{
    return QCoreApplication::translate("QPlatformTheme", "OK");
}

// Each test runs in a process of its own, so the translator installed here
// does not reach other tests.
TEST(QtChineseTexts, WithoutTheCatalogueQtKeepsItsEnglishAndNothingBreaks)
{
    QTemporaryDir empty;
    EXPECT_FALSE(installQtChineseTexts(*qApp, empty.path()));
    EXPECT_EQ(okButtonText(), QStringLiteral("OK"));
}

TEST(QtChineseTexts, QtsOwnButtonsAndDialogsSpeakChinese)
{
    ASSERT_TRUE(installQtChineseTexts(*qApp)) << "qtbase_zh_CN.qm missing: scripts/install-deps installs it";
    EXPECT_EQ(okButtonText(), QStringLiteral("确定"));
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "File &name:"), QStringLiteral("File &name:"));
}

}  // namespace
}  // namespace kelodi
