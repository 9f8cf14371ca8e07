// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/desktop/info_box.h"

#include <QMessageBox>

namespace kelodi {

void showExclamationBox(QWidget* parent, const QString& title, const QString& crSeparatedText)
{
    QString text = crSeparatedText;
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    // The texts are plain, with leading blanks for indentation: no rich-text guessing.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace kelodi
