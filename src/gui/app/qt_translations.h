// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QCoreApplication;

namespace kelodi {

// Qt's own texts (file dialogs, their overwrite question, message box
// buttons) in Simplified Chinese, whatever the user's locale: the whole
// interface is Chinese. Reads qtbase_zh_CN.qm from `folder`, Qt's
// translations folder when empty. False, with nothing changed, when the
// catalogue is not there; Qt then keeps its English.
bool installQtChineseTexts(QCoreApplication& app, const QString& folder = QString());

}  // namespace kelodi
