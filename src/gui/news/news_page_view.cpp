// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/news/news_page_view.h"

#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextDocument>

#include "core/news/news_page.h"
#include "platform/text/system_text_codec.h"

namespace kelodi {

namespace {

bool isWebUrl(const QUrl& url)
{
    return url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
           && !url.host().isEmpty();
}

bool isGbkFamily(const QByteArray& charset)
{
    const QByteArray name = charset.toLower();
    return name == "gbk" || name == "gb2312" || name == "gb18030" || name == "cp936" || name == "x-gbk";
}

// The charset named in a Content-Type header value, if any.
QByteArray headerCharset(const QByteArray& contentType)
{
    static const QRegularExpression Charset(QStringLiteral("charset\\s*=\\s*\"?([A-Za-z0-9._:-]+)"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = Charset.match(QString::fromLatin1(contentType));
    return m.hasMatch() ? m.captured(1).toLatin1() : QByteArray();
}

// The HTTP header decides first, then the page itself (byte order mark or a
// meta tag); without either the page is taken as UTF-8. Chinese pages often
// come in GBK, which the system's converter decodes where Qt has no table.
QString decodePage(const QByteArray& data, const QByteArray& contentType)
{
    QByteArray charset = headerCharset(contentType);
    if (charset.isEmpty()) {
        QStringDecoder html = QStringDecoder::decoderForHtml(data);
        if (html.isValid())
            return html.decode(data);
        static const QRegularExpression Meta(QStringLiteral("<meta[^>]*charset\\s*=\\s*[\"']?([A-Za-z0-9._:-]+)"),
                                             QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch m = Meta.match(QString::fromLatin1(data.left(4096)));
        if (m.hasMatch())
            charset = m.captured(1).toLatin1();
    }
    if (!charset.isEmpty()) {
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid())
            return decoder.decode(data);
        if (isGbkFamily(charset)) {
            const std::string utf8 = systemTextCodec().gbkToUtf8(std::string_view(data.constData(), data.size()));
            return QString::fromStdString(utf8);
        }
    }
    return QString::fromUtf8(data);
}

}  // namespace

NewsPageView::NewsPageView(QWidget* parent)
    : QTextBrowser(parent), m_network(new QNetworkAccessManager(this))
{
    // Every activated link leaves through linkRequested; the view itself
    // never navigates.
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        emit linkRequested(m_address.resolved(link));
    });
}

QNetworkReply* NewsPageView::get(const QUrl& url, qint64 limit)
{
    QNetworkRequest request(url);
    request.setTransferTimeout(TransferTimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = m_network->get(request);
    // A server that sends more than a news page can hold is cut off: by its
    // announced length, or as soon as the data passes the limit.
    const auto guard = [reply, limit] {
        const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
        if ((announced.isValid() && announced.toLongLong() > limit) || reply->bytesAvailable() > limit)
            reply->abort();
    };
    connect(reply, &QNetworkReply::metaDataChanged, reply, guard);
    connect(reply, &QNetworkReply::readyRead, reply, guard);
    return reply;
}

void NewsPageView::navigate(const QUrl& url)
{
    if (m_pageReply != nullptr) {
        QNetworkReply* old = m_pageReply;
        m_pageReply = nullptr;
        old->abort();
    }
    m_address = url;
    m_bodyHtml.clear();
    if (!isWebUrl(url)) {
        emit loadFinished(false);
        return;
    }
    QNetworkReply* reply = get(url, MaxPageBytes);
    m_pageReply = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] { pageArrived(reply); });
}

void NewsPageView::pageArrived(QNetworkReply* reply)
{
    reply->deleteLater();
    if (reply != m_pageReply)
        return;  // abandoned for a newer navigation
    m_pageReply = nullptr;
    if (reply->error() != QNetworkReply::NoError || reply->bytesAvailable() > MaxPageBytes) {
        emit loadFinished(false);
        return;
    }
    m_address = reply->url();
    m_html = decodePage(reply->readAll(), reply->header(QNetworkRequest::ContentTypeHeader).toByteArray());
    const QByteArray utf8 = m_html.toUtf8();
    m_bodyHtml = std::string(pageBodyHtml(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size()))));

    m_resources.clear();
    m_pending.clear();
    m_requested = 0;
    m_resourcesChanged = false;
    document()->setBaseUrl(m_address);
    setHtml(m_html);
    emit loadFinished(true);
}

bool NewsPageView::isBusy() const
{
    return m_pageReply != nullptr || !m_pending.isEmpty();
}

QVariant NewsPageView::placeholder(int type)
{
    // Never an empty value: for that the text document goes on to read the
    // name as a local file, and its image handler loads the file itself.
    if (type == QTextDocument::ImageResource) {
        static const QImage Blank = [] {
            QImage image(1, 1, QImage::Format_ARGB32);
            image.fill(Qt::transparent);
            return image;
        }();
        return Blank;
    }
    if (type == QTextDocument::StyleSheetResource)
        return QString(QLatin1String(""));
    return QByteArray("");
}

QVariant NewsPageView::loadResource(int type, const QUrl& name)
{
    if (type != QTextDocument::ImageResource && type != QTextDocument::StyleSheetResource)
        return placeholder(type);
    const QUrl url = m_address.resolved(name);
    const auto cached = m_resources.constFind(url);
    if (cached != m_resources.constEnd())
        return cached->isValid() ? *cached : placeholder(type);
    // Only the web: a page must not make the view read local files.
    if (!isWebUrl(url) || m_pending.contains(url) || m_requested >= MaxResources)
        return placeholder(type);
    ++m_requested;
    m_pending.insert(url);
    QNetworkReply* reply = get(url, MaxResourceBytes);
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, type, url] { resourceArrived(reply, type, url); });
    return placeholder(type);
}

void NewsPageView::resourceArrived(QNetworkReply* reply, int type, const QUrl& url)
{
    reply->deleteLater();
    if (!m_pending.remove(url))
        return;  // belongs to a page that has been replaced
    if (reply->error() == QNetworkReply::NoError && reply->bytesAvailable() <= MaxResourceBytes) {
        const QByteArray data = reply->readAll();
        QVariant value;
        if (type == QTextDocument::ImageResource) {
            QImage image;
            if (image.loadFromData(data))
                value = image;
        } else {
            value = decodePage(data, reply->header(QNetworkRequest::ContentTypeHeader).toByteArray());
        }
        if (value.isValid())
            m_resourcesChanged = true;
        m_resources.insert(url, value);
    } else {
        // Remembered as missing, so laying the page out again does not ask again.
        m_resources.insert(url, QVariant());
    }
    // Once everything has arrived the page is laid out again with it; the
    // page has only just loaded, so nothing is lost by starting over.
    if (m_pending.isEmpty() && m_resourcesChanged) {
        m_resourcesChanged = false;
        setHtml(m_html);
    }
}

}  // namespace kelodi
