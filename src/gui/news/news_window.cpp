// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/news/news_window.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include "core/news/news_page.h"
#include "gui/desktop/shell.h"
#include "gui/news/news_page_view.h"

namespace kelodi {

namespace {

constexpr int TitleStripHeight = 22;
const QColor FrameColor(0x2d, 0x55, 0x8c);

}  // namespace

NewsWindow::NewsWindow(Shell& shell, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_shell(shell),
      m_title(new QLabel(QStringLiteral("  新闻资讯"), this)),
      m_closeMark(new QLabel(this)),
      m_container(new QWidget(this)),
      m_view(new NewsPageView(m_container))
{
    setObjectName(QStringLiteral("NewsWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("新闻资讯"));
    setFixedSize(WindowSize);

    // Positions of the design, 15 twips to the pixel.
    m_title->setObjectName(QStringLiteral("NewsTitle"));
    m_title->setGeometry(4, 4, 229, 17);
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    QPalette titlePalette = m_title->palette();
    titlePalette.setColor(QPalette::WindowText, Qt::white);
    m_title->setPalette(titlePalette);
    m_title->setCursor(Qt::SizeAllCursor);
    m_title->installEventFilter(this);

    m_closeMark->setObjectName(QStringLiteral("NewsCloseMark"));
    m_closeMark->setGeometry(236, 2, 17, 17);
    m_closeMark->setCursor(Qt::PointingHandCursor);
    m_closeMark->setToolTip(QStringLiteral("关闭"));
    m_closeMark->installEventFilter(this);

    m_container->setObjectName(QStringLiteral("NewsPageFrame"));
    m_container->setGeometry(4, 24, 245, 229);
    m_container->setAutoFillBackground(true);
    QPalette white = m_container->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::Base, Qt::white);
    m_container->setPalette(white);

    // The page fills the white container; its scroll bars stay out of sight
    // (the wheel and the keys still scroll).
    m_view->setObjectName(QStringLiteral("NewsPage"));
    m_view->setGeometry(0, 0, m_container->width(), m_container->height());
    m_view->setFrameShape(QFrame::NoFrame);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(m_view, &NewsPageView::linkRequested, this, &NewsWindow::openLink);

    m_slideTimer.setInterval(SlideIntervalMs);
    connect(&m_slideTimer, &QTimer::timeout, this, &NewsWindow::slideStep);
    m_fadeTimer.setInterval(FadeIntervalMs);
    connect(&m_fadeTimer, &QTimer::timeout, this, &NewsWindow::fadeStep);
}

void NewsWindow::navigate(const QUrl& url)
{
    m_view->navigate(url);
}

bool NewsWindow::isBusy() const
{
    return m_view->isBusy();
}

QUrl NewsWindow::address() const
{
    return m_view->address();
}

const std::string& NewsWindow::bodyHtml() const
{
    return m_view->bodyHtml();
}

QPoint NewsWindow::cornerPosition(const QRect& workArea)
{
    return {workArea.x() + workArea.width() - WindowSize.width(),
            workArea.y() + workArea.height() - WindowSize.height()};
}

void NewsWindow::popUp()
{
    if (m_fadeTimer.isActive()) {
        // Asked for again while fading out: stay.
        m_fadeTimer.stop();
        m_alpha = FadeFrom;
        setWindowOpacity(1.0);
    }
    if (isVisible()) {
        raise();
        return;
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(cornerPosition(screen->availableGeometry()));

    // Only the bottom row of pixels is visible at first; each tick uncovers
    // RevealStep more from the bottom up.
    m_regionTop = height() - 1;
    setMask(QRegion(0, m_regionTop, width(), height() - m_regionTop));
    show();
    raise();
    m_slideTimer.start();
}

void NewsWindow::slideStep()
{
    m_regionTop -= RevealStep;
    if (m_regionTop <= 0) {
        m_slideTimer.stop();
        m_regionTop = 0;
        clearMask();
    } else {
        setMask(QRegion(0, m_regionTop, width(), height() - m_regionTop));
    }
    // Painting is clipped to the mask, so what changed under the hidden part
    // (the page arriving, for one) must be painted again once it shows; the
    // page view's viewport keeps its own dirty state and needs telling too.
    update();
    m_view->viewport()->update();
}

void NewsWindow::fadeOut()
{
    if (m_fadeTimer.isActive())
        return;
    m_alpha = FadeFrom;
    setWindowOpacity(m_alpha / 255.0);
    m_fadeTimer.start();
}

void NewsWindow::fadeStep()
{
    m_alpha -= FadeStep;
    if (m_alpha < FadeTo) {
        m_fadeTimer.stop();
        close();
        return;
    }
    setWindowOpacity(m_alpha / 255.0);
}

void NewsWindow::openLink(const QUrl& url)
{
    const QString address = url.toString(QUrl::FullyEncoded);
    const QByteArray utf8 = address.toUtf8();
    if (!url.isValid() || url.host().isEmpty()
        || !mayLeaveNewsWindow(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size()))))
        return;
    m_shell.openUrl(url);
}

void NewsWindow::paintEvent(QPaintEvent*)
{
    // The frame: a blue title strip with a close mark over a pale body.
    QPainter p(this);
    const QRect whole = rect();
    p.fillRect(whole, QColor(0xe8, 0xef, 0xf8));
    QLinearGradient strip(0, 0, 0, TitleStripHeight);
    strip.setColorAt(0, QColor(0x4f, 0x84, 0xc9));
    strip.setColorAt(1, FrameColor);
    p.fillRect(QRect(0, 0, whole.width(), TitleStripHeight + 1), strip);
    p.setPen(FrameColor);
    p.drawRect(whole.adjusted(0, 0, -1, -1));
    p.drawRect(m_container->geometry().adjusted(-1, -1, 0, 0));

    const QRect mark = m_closeMark->geometry().adjusted(3, 3, -3, -3);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(mark.topLeft(), mark.bottomRight() + QPoint(1, 1));
    p.drawLine(mark.topRight() + QPoint(1, 0), mark.bottomLeft() + QPoint(0, 1));
}

bool NewsWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_closeMark && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && m_closeMark->rect().contains(mouse->position().toPoint()))
            fadeOut();
        return true;
    }
    if (watched == m_title) {
        // The label gets every kind of event; only mouse events are read as such.
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease:
            if (dragByTitle(static_cast<QMouseEvent*>(event)))
                return true;
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool NewsWindow::dragByTitle(const QMouseEvent* mouse)
{
    switch (mouse->type()) {
    case QEvent::MouseButtonPress:
        if (mouse->button() != Qt::LeftButton)
            return false;
        // The window system moves the window where it can; elsewhere the
        // window follows the mouse itself.
        if (windowHandle() != nullptr && windowHandle()->startSystemMove())
            return true;
        m_dragging = true;
        m_dragOffset = mouse->globalPosition().toPoint() - pos();
        return true;
    case QEvent::MouseMove:
        if (m_dragging && (mouse->buttons() & Qt::LeftButton))
            move(mouse->globalPosition().toPoint() - m_dragOffset);
        return m_dragging;
    default:
        if (mouse->button() == Qt::LeftButton)
            m_dragging = false;
        return false;
    }
}

}  // namespace kelodi
