// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QTextBrowser>
#include <QUrl>

#include <string>

class QNetworkAccessManager;
class QNetworkReply;

namespace kelodi {

// The news window's page view. It fetches a page over HTTP, shows it, and
// keeps it: links are never followed inside the view but reported through
// linkRequested, resolved against the page's address. Images and style sheets
// of the page are fetched over the network; nothing is ever read from local
// files, whatever the page asks for.
class NewsPageView : public QTextBrowser {
    Q_OBJECT
public:
    explicit NewsPageView(QWidget* parent = nullptr);

    // Starts loading a page; a load in progress is abandoned.
    void navigate(const QUrl& url);

    // The page or one of its images is still loading.
    bool isBusy() const;
    // The address of the page shown or being loaded (after redirections once
    // it has arrived); empty before the first navigation.
    QUrl address() const { return m_address; }
    // The HTML of the loaded page's body, UTF-8; empty while loading and
    // after a failed load.
    const std::string& bodyHtml() const { return m_bodyHtml; }

    // Limits on what a page may make the view download.
    static constexpr qint64 MaxPageBytes = 2 * 1024 * 1024;
    static constexpr qint64 MaxResourceBytes = 2 * 1024 * 1024;
    static constexpr int MaxResources = 64;
    static constexpr int TransferTimeoutMs = 30000;

    // Images and style sheets come from the web or not at all: whatever is
    // refused, still loading or failed is a blank placeholder.
    QVariant loadResource(int type, const QUrl& name) override;

signals:
    void loadFinished(bool ok);
    void linkRequested(const QUrl& url);

private:
    static QVariant placeholder(int type);
    void pageArrived(QNetworkReply* reply);
    void resourceArrived(QNetworkReply* reply, int type, const QUrl& url);
    QNetworkReply* get(const QUrl& url, qint64 limit);

    QNetworkAccessManager* m_network;
    QNetworkReply* m_pageReply = nullptr;
    QUrl m_address;
    QString m_html;
    std::string m_bodyHtml;
    QHash<QUrl, QVariant> m_resources;
    QSet<QUrl> m_pending;
    int m_requested = 0;
    bool m_resourcesChanged = false;
};

}  // namespace kelodi
