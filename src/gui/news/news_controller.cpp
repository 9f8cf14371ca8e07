// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/news/news_controller.h"

#include <QNetworkInformation>
#include <QRandomGenerator>

#include "core/desktop/product_config.h"
#include "core/news/news_page.h"
#include "gui/common/utf8.h"
#include "gui/news/news_window.h"

namespace kelodi {

NewsController::NewsController(Shell& shell, QObject* parent, const QUrl& server)
    : QObject(parent),
      m_shell(shell),
      m_schedule([this] { return m_uniform(); }),
      m_uniform([] { return QRandomGenerator::global()->generateDouble(); }),
      m_isOnline(&NewsController::systemIsOnline)
{
    setServer(server);
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &NewsController::tick);
    m_timer.start();
}

NewsController::~NewsController()
{
    delete m_window.data();
}

QUrl NewsController::defaultServer()
{
    return QUrl(fromUtf8(product::newsServer));
}

bool NewsController::systemIsOnline()
{
    // Loaded once; a failed load is not retried every second.
    static const bool loaded = QNetworkInformation::instance() != nullptr
                               || QNetworkInformation::loadDefaultBackend();
    const QNetworkInformation* info = QNetworkInformation::instance();
    if (!loaded || info == nullptr)
        return true;
    // A local network counts: the connection test only asks whether the
    // computer is connected at all. Unknown counts as well.
    return info->reachability() != QNetworkInformation::Reachability::Disconnected;
}

void NewsController::setOnlineTest(std::function<bool()> isOnline)
{
    m_isOnline = std::move(isOnline);
}

void NewsController::setServer(const QUrl& server)
{
    m_server = server;
    m_pageUrl = QUrl(QString::fromStdString(newsPageAddress(server.toString(QUrl::FullyEncoded).toStdString())));
}

void NewsController::setRandomSource(std::function<double()> uniform)
{
    m_uniform = std::move(uniform);
}

void NewsController::setNoNewsPopup(bool noNewsPopup)
{
    m_noNewsPopup = noNewsPopup;
}

NewsWindow* NewsController::ensureWindow()
{
    if (m_window.isNull())
        m_window = new NewsWindow(m_shell);
    return m_window;
}

void NewsController::showNow()
{
    const bool showingNewsPage =
        !m_window.isNull()
        && isNewsServerAddress(m_window->address().toString().toStdString(), m_server.host().toStdString());
    const NewsCommand command = newsCommand(showingNewsPage);
    NewsWindow* window = ensureWindow();
    if (command.navigate)
        window->navigate(m_pageUrl);
    if (command.show)
        window->popUp();
}

void NewsController::tick()
{
    NewsTick observed;
    observed.noNewsPopup = m_noNewsPopup;
    // The connection is tested only when the count could move on.
    observed.online = !m_noNewsPopup && !m_schedule.finished() && m_isOnline && m_isOnline();
    observed.busy = !m_window.isNull() && m_window->isBusy();
    if (!m_window.isNull())
        observed.bodyHtml = m_window->bodyHtml();

    switch (m_schedule.tick(observed)) {
    case NewsAction::Navigate:
        ensureWindow()->navigate(m_pageUrl);
        break;
    case NewsAction::Show:
        m_timer.stop();
        if (!m_window.isNull())
            m_window->popUp();
        break;
    case NewsAction::Stop:
        m_timer.stop();
        break;
    case NewsAction::None:
        break;
    }
}

}  // namespace kelodi
