#include "gui/desktop/help_menu.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSaveFile>
#include <QUrl>

#include "core/desktop/desktop_texts.h"
#include "core/desktop/help_menu_items.h"
#include "core/desktop/news_opt_out.h"
#include "core/desktop/product_config.h"
#include "gui/desktop/info_box.h"
#include "gui/desktop/shell.h"
#include "gui/app/utf8.h"

namespace kelodi {

namespace {

// "v.sz" is one short line; a larger file is not ours and is read no further.
constexpr qint64 OptOutReadLimit = 64 * 1024;

}  // namespace

HelpMenu::HelpMenu(Shell& shell, const QString& programFolder, QWidget* window)
    // QDir joins with exactly one separator, also for a root folder.
    : HelpMenu(shell,
               HelpFiles{QDir(programFolder).filePath(fromUtf8(HelpTextFileName)),
                         QDir(programFolder).filePath(fromUtf8(NoNewsPopupFileName))},
               window)
{
}

HelpMenu::HelpMenu(Shell& shell, const HelpFiles& files, QWidget* window)
    : QObject(window),
      m_shell(shell),
      m_files(files),
      m_window(window),
      m_menu(new QMenu(fromUtf8(HelpMenuTitle), window))
{
    m_menu->setObjectName(QStringLiteral("MnuHelp"));
    for (const HelpMenuEntry& entry : HelpMenuEntries) {
        QAction* action = nullptr;
        if (entry.caption.empty()) {
            action = m_menu->addSeparator();
        } else {
            action = m_menu->addAction(fromUtf8(entry.caption));
            action->setCheckable(entry.checkable);
            const int index = entry.index;
            connect(action, &QAction::triggered, this, [this, index] { run(index); });
        }
        action->setObjectName(QStringLiteral("bangzhu1_%1").arg(entry.index));
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
    return m_actions[HelpNoNewsPopup]->isChecked();
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
    // when the file cannot be written: the choice then holds for this run.
    const bool value = noNewsPopup();
    saveNoNewsPopup(value);
    emit noNewsPopupChanged(value);
}

bool HelpMenu::saveNoNewsPopup(bool value) const
{
    // Written to a temporary file and renamed over the old one, so a failed
    // write never leaves a truncated "v.sz" behind.
    QSaveFile file(optOutFilePath());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const std::string text = noNewsPopupFileText(value);
    // A failed write makes commit() discard the temporary file.
    file.write(text.data(), static_cast<qint64>(text.size()));
    return file.commit();
}

}  // namespace kelodi
