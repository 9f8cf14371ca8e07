// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/desktop/help_menu.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QUrl>

#include <cstdio>

#include "core/desktop/desktop_texts.h"
#include "core/desktop/help_menu_items.h"
#include "core/desktop/news_opt_out.h"
#include "core/desktop/product_config.h"
#include "core/text/utf8.h"
#include "gui/desktop/info_box.h"
#include "gui/desktop/shell.h"
#include "gui/common/utf8.h"
#include "platform/files/atomic_file.h"

namespace kelodi {

namespace {

// "v.sz" is one short line; a larger file is not ours and is read no further.
constexpr qint64 OptOutReadLimit = 64 * 1024;

}  // namespace

HelpMenu::HelpMenu(Shell& shell, const QString& programFolder, QWidget* window, News news)
    // QDir joins with exactly one separator, also for a root folder.
    : HelpMenu(shell,
               HelpFiles{QDir(programFolder).filePath(fromUtf8(HelpTextFileName)),
                         QDir(programFolder).filePath(fromUtf8(NoNewsPopupFileName))},
               window, news)
{
}

HelpMenu::HelpMenu(Shell& shell, const HelpFiles& files, QWidget* window, News news)
    : QObject(window),
      m_shell(shell),
      m_files(files),
      m_window(window),
      m_menu(new QMenu(fromUtf8(HelpMenuTitle), window))
{
    m_menu->setObjectName(QStringLiteral("HelpMenu"));
    bool separatorLast = false;
    for (const HelpMenuEntry& entry : HelpMenuEntries) {
        if (news == News::Without && (entry.index == HelpNoNewsPopup || entry.index == HelpNews))
            continue;
        // Two separators in a row, where a news item is left out, are one.
        if (entry.caption.empty() && separatorLast)
            continue;
        separatorLast = entry.caption.empty();
        QAction* action = nullptr;
        if (entry.caption.empty()) {
            action = m_menu->addSeparator();
        } else {
            action = m_menu->addAction(fromUtf8(entry.caption));
            action->setCheckable(entry.checkable);
            const int index = entry.index;
            connect(action, &QAction::triggered, this, [this, index] { run(index); });
        }
        action->setObjectName(QStringLiteral("HelpItem_%1").arg(entry.index));
        m_actions[entry.index] = action;
    }
}

QAction* HelpMenu::action(int index) const
{
    if (index < 0 || index >= static_cast<int>(std::size(m_actions)))
        return nullptr;
    return m_actions[index];
}

bool HelpMenu::noNewsPopup() const
{
    const QAction* item = m_actions[HelpNoNewsPopup];
    return item != nullptr && item->isChecked();
}

QString HelpMenu::optOutFilePath() const
{
    return m_files.newsOptOut;
}

QString HelpMenu::helpTextPath() const
{
    return m_files.helpText;
}

void HelpMenu::loadNoNewsPopup()
{
    if (m_actions[HelpNoNewsPopup] == nullptr)
        return;
    bool value = false;
    QFile file(optOutFilePath());
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray text = file.read(OptOutReadLimit);
        value = readNoNewsPopup(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    }
    m_actions[HelpNoNewsPopup]->setChecked(value);
    emit noNewsPopupChanged(value);
}

void HelpMenu::click(int index)
{
    QAction* item = action(index);
    if (item == nullptr || item->isSeparator())
        return;
    // trigger() toggles the checkable item first, as a click in the menu does.
    item->trigger();
}

void HelpMenu::run(int index)
{
    switch (index) {
    case HelpIntroduction:
        m_shell.openTextFile(helpTextPath());
        break;
    case HelpUpgrade:
    case HelpHomePage:
        m_shell.openUrl(QUrl(fromUtf8(product::homePageAddress)));
        break;
    case HelpNoNewsPopup:
        toggleNoNewsPopup();
        break;
    case HelpNews:
        emit newsRequested();
        break;
    case HelpContact:
        showExclamationBox(m_window, fromUtf8(ContactTitle), fromUtf8(contactText()));
        break;
    case HelpAbout:
        showExclamationBox(m_window, fromUtf8(AboutTitle), fromUtf8(aboutText()));
        break;
    default:
        break;
    }
}

void HelpMenu::toggleNoNewsPopup()
{
    // The action has already toggled its check mark. The mark stands even
    // when the file cannot be written: the choice then holds for this run,
    // and the user hears once that it will not outlive it.
    const bool value = noNewsPopup();
    std::string error;
    if (!saveNoNewsPopup(value, &error) && !m_saveFailureReported) {
        m_saveFailureReported = true;
        std::fprintf(stderr, "kelodi: cannot save the news setting in %s (%s); it holds until Kelodi ends\n",
                     qPrintable(optOutFilePath()), error.c_str());
    }
    emit noNewsPopupChanged(value);
}

bool HelpMenu::saveNoNewsPopup(bool value, std::string* error) const
{
    // Saved like every file of the program: replaced in one step, so a failed
    // write never leaves a truncated "v.sz" behind.
    return writeFileAtomically(pathFromUtf8(optOutFilePath().toStdString()), noNewsPopupFileText(value), error);
}

}  // namespace kelodi
