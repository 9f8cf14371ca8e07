// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QPainter>
#include <QPixmap>
#include <QFile>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QImage>
#include <QKeyEvent>

#include <algorithm>
#include <functional>

#include "gui/desktop/recording_shell.h"
#include "gui/news/local_http_server.h"
#include "gui/news/news_controller.h"
#include "gui/news/news_page_view.h"
#include "gui/news/news_window.h"

namespace kelodi {
namespace {

const QByteArray PagePath = "/rjshengji/gg_tan.htm";

bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

QByteArray page(const QByteArray& body)
{
    return "<html><head><title>news</title></head><body>" + body + "</body></html>";
}

class NewsTest : public ::testing::Test {
protected:
    NewsTest()
    {
        server.setPage(PagePath, {"text/html; charset=utf-8", page("<p>新闻资讯 RuanJianGuangGao</p>")});
        controller.setRandomSource([] { return 0.0; });  // delay 180
        controller.setOnlineTest([this] { return online; });
        // Ticks are driven by hand; the timer only tells whether the schedule runs.
        controller.timer()->setInterval(24 * 3600 * 1000);
    }

    // Runs ticks until `count` have been given in total.
    void tickUntil(int count)
    {
        for (; ticks < count; ++ticks)
            controller.tick();
    }

    bool windowShown() const { return controller.window() != nullptr && controller.window()->isVisible(); }

    test::LocalHttpServer server;
    test::RecordingShell shell;
    NewsController controller{shell, nullptr, server.base()};
    bool online = true;
    int ticks = 0;
};

TEST_F(NewsTest, MarkedPageIsLoadedHiddenAndShownOnTheScheduledTick)
{
    ASSERT_TRUE(server.isListening());
    tickUntil(184);
    EXPECT_EQ(controller.window(), nullptr);
    tickUntil(185);
    ASSERT_NE(controller.window(), nullptr);
    EXPECT_FALSE(controller.window()->isVisible());
    ASSERT_TRUE(waitFor([&] { return !controller.window()->isBusy(); }));
    EXPECT_EQ(server.requests(), QStringList{"/rjshengji/gg_tan.htm?id=pwkrm"});

    tickUntil(191);
    EXPECT_FALSE(windowShown());
    EXPECT_TRUE(controller.timer()->isActive());
    tickUntil(192);
    EXPECT_TRUE(windowShown());
    EXPECT_FALSE(controller.timer()->isActive());
    EXPECT_TRUE(controller.schedule().finished());
}

TEST_F(NewsTest, PageWithoutMarkerIsNotShownAndNotFetchedAgain)
{
    server.setPage(PagePath, {"text/html", page("<p>ruanjian-guanggao</p>")});
    tickUntil(185);
    ASSERT_TRUE(waitFor([&] { return !controller.window()->isBusy(); }));
    tickUntil(800);
    EXPECT_FALSE(windowShown());
    EXPECT_FALSE(controller.timer()->isActive());
    EXPECT_EQ(server.requests().size(), 1);
}

TEST_F(NewsTest, SlowPageHoldsTheDecisionBack)
{
    server.setHeld(true);
    tickUntil(260);
    ASSERT_NE(controller.window(), nullptr);
    EXPECT_TRUE(controller.window()->isBusy());
    EXPECT_EQ(controller.schedule().popupStep(), 189);
    EXPECT_FALSE(windowShown());

    server.setHeld(false);
    ASSERT_TRUE(waitFor([&] { return !controller.window()->isBusy(); }));
    tickUntil(262);
    EXPECT_FALSE(windowShown());
    tickUntil(263);
    EXPECT_TRUE(windowShown());
}

TEST_F(NewsTest, OptOutStopsTheScheduleButNotTheHelpCommand)
{
    controller.setNoNewsPopup(true);
    tickUntil(400);
    EXPECT_EQ(controller.window(), nullptr);
    EXPECT_TRUE(server.requests().isEmpty());

    controller.showNow();
    QPointer<NewsWindow> first = controller.window();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    ASSERT_TRUE(waitFor([&] { return !first->isBusy(); }));

    // The second time the window already shows the news page: no new load.
    controller.showNow();
    EXPECT_EQ(controller.window(), first.data());
    EXPECT_TRUE(first->isVisible());
    QTest::qWait(50);
    EXPECT_EQ(server.requests().size(), 1);

    // Closed, it is made anew and loads again.
    first->fadeOut();
    ASSERT_TRUE(waitFor([&] { return first.isNull(); }));
    EXPECT_EQ(controller.window(), nullptr);
    controller.showNow();
    ASSERT_NE(controller.window(), nullptr);
    ASSERT_TRUE(waitFor([&] { return !controller.window()->isBusy(); }));
    EXPECT_EQ(server.requests().size(), 2);
}

TEST_F(NewsTest, WindowSlidesInAtTheBottomRightCornerAndFadesOut)
{
    controller.showNow();
    NewsWindow* window = controller.window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->size(), QSize(258, 261));
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(window->geometry().bottomRight(), work.bottomRight());

    // Only the bottom row at first, then the whole window.
    EXPECT_EQ(window->mask().boundingRect(), QRect(0, 260, 258, 1));
    EXPECT_TRUE(window->isSliding());
    ASSERT_TRUE(waitFor([&] { return !window->isSliding(); }, 2000));
    EXPECT_TRUE(window->mask().isEmpty());
    EXPECT_EQ(window->regionTop(), 0);

    QPointer<NewsWindow> watched = window;
    QList<double> opacities;
    window->fadeOut();
    while (!watched.isNull() && opacities.size() < 1000) {
        opacities << watched->windowOpacity();
        QTest::qWait(1);
    }
    ASSERT_TRUE(watched.isNull());
    ASSERT_FALSE(opacities.isEmpty());
    EXPECT_DOUBLE_EQ(opacities.front(), 1.0);
    EXPECT_LT(opacities.back(), 30 / 255.0);
    EXPECT_TRUE(std::is_sorted(opacities.rbegin(), opacities.rend()));
}

TEST_F(NewsTest, DraggingTheTitleMovesTheWindow)
{
    // Where the window manager moves windows itself (startSystemMove), the
    // drag happens outside the program and cannot be followed here.
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        GTEST_SKIP() << "the window system may take the drag over";
    controller.showNow();
    NewsWindow* window = controller.window();
    auto* title = window->findChild<QWidget*>(QStringLiteral("NewsTitle"));
    ASSERT_NE(title, nullptr);
    const QPoint before = window->pos();
    // Other events reach the title too and are no mouse events (undefined
    // behaviour sanitizer checks how they are looked at).
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(title->mapToGlobal(QPoint(5, 5))));
    QApplication::sendEvent(title, &enter);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(title, &key);
    QTest::mousePress(title, Qt::LeftButton, {}, {20, 8});
    QMouseEvent move(QEvent::MouseMove, QPointF(-10, -22), QPointF(title->mapToGlobal(QPoint(-10, -22))),
                     Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(title, &move);
    QTest::mouseRelease(title, Qt::LeftButton, {}, {-10, -22});
    EXPECT_EQ(window->pos(), before + QPoint(-30, -30));
}

// Clicks the first character of `text` in the page view.
void clickText(NewsPageView* view, const QString& text)
{
    const QTextCursor found = view->document()->find(text);
    ASSERT_FALSE(found.isNull()) << text.toStdString();
    QTextCursor at(view->document());
    at.setPosition(found.selectionStart() + 1);
    const QPoint point = view->cursorRect(at).center() - QPoint(2, 0);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, point);
}

TEST_F(NewsTest, LinksLeaveForTheBrowserOnlyAsWebAddresses)
{
    server.setPage(PagePath, {"text/html",
                              page("<p><a href=\"http://www.kelodi.cn/news/1.htm\" target=\"_blank\">AAAA</a></p>"
                                   "<p><a href=\"/news/2.htm\">BBBB</a></p>"
                                   "<p><a href=\"javascript:alert(document.cookie)\">CCCC</a></p>"
                                   "<p><a href=\"file:///etc/passwd\">DDDD</a></p>"
                                   "<p><a href=\"http://a.cn/\">EEEE</a></p>"
                                   "<p>ruanjianguanggao</p>")});
    controller.showNow();
    NewsWindow* window = controller.window();
    ASSERT_TRUE(waitFor([&] { return !window->isBusy() && !window->isSliding(); }));
    NewsPageView* view = window->pageView();
    for (const char* text : {"AAAA", "BBBB", "CCCC", "DDDD", "EEEE"})
        clickText(view, QString::fromLatin1(text));
    EXPECT_EQ(shell.urls, (QList<QUrl>{QUrl("http://www.kelodi.cn/news/1.htm"),
                                      server.base().resolved(QUrl("/news/2.htm"))}));
    EXPECT_TRUE(shell.programs.isEmpty());
    // The page itself stays where it was.
    EXPECT_EQ(window->address().path(), QString::fromLatin1(PagePath));
}

QByteArray pngOf(const QColor& colour)
{
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// The colour of an image resource as the document hands it to its layout.
QColor colourOf(const QVariant& resource)
{
    QImage image;
    if (resource.userType() == QMetaType::QImage)
        image = resource.value<QImage>();
    else if (resource.userType() == QMetaType::QPixmap)
        image = resource.value<QPixmap>().toImage();
    else if (resource.userType() == QMetaType::QByteArray)
        image.loadFromData(resource.toByteArray());
    return image.isNull() ? QColor() : image.pixelColor(0, 0);
}

int pixelsOf(const QImage& image, const QColor& colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y) == colour;
    return count;
}

// Local files a page names, as file: addresses or as paths from the root,
// are never read: while their fetch is pending, after it failed, or at all.
// The page's own images from the web do arrive.
TEST_F(NewsTest, NothingOnThePageIsReadFromTheLocalDisk)
{
    QTemporaryDir dir;
    const QString localImage = dir.filePath(QStringLiteral("red.png"));
    const QString localStyle = dir.filePath(QStringLiteral("style.css"));
    {
        QFile image(localImage);
        ASSERT_TRUE(image.open(QIODevice::WriteOnly));
        image.write(pngOf(Qt::red));
        QFile style(localStyle);
        ASSERT_TRUE(style.open(QIODevice::WriteOnly));
        style.write("p.local { background-color: #ff0000 } /* kelodi-local-css */");
    }
    const QByteArray fileImage = QUrl::fromLocalFile(localImage).toEncoded();
    const QByteArray rootImage = localImage.toUtf8();
    const QByteArray fileStyle = QUrl::fromLocalFile(localStyle).toEncoded();
    const QByteArray rootStyle = localStyle.toUtf8();
    server.setPage("/blue.png", {"image/png", pngOf(Qt::blue)});
    server.setPage(PagePath, {"text/html",
                              "<html><head><link rel=\"stylesheet\" href=\"" + fileStyle + "\">"
                              "<link rel=\"stylesheet\" href=\"" + rootStyle + "\"></head><body>"
                              "<img src=\"" + fileImage + "\" width=\"40\" height=\"40\">"
                              "<img src=\"" + rootImage + "\" width=\"40\" height=\"40\">"
                              "<img src=\"/blue.png\" width=\"40\" height=\"40\">"
                              "<p class=\"local\">ruanjianguanggao</p></body></html>"});

    // The page itself is answered; what it asks for next is held back.
    controller.showNow();
    NewsPageView* view = controller.window()->pageView();
    QObject::connect(view, &NewsPageView::loadFinished, [&] { server.setHeld(true); });
    QTextDocument* document = view->document();
    const auto readFromDisk = [&](const char* when) {
        for (const QByteArray& name : {fileImage, rootImage})
            EXPECT_NE(colourOf(document->resource(QTextDocument::ImageResource, QUrl(QString::fromUtf8(name)))),
                      QColor(Qt::red)) << name.toStdString() << " " << when;
        for (const QByteArray& name : {fileStyle, rootStyle}) {
            const QVariant style = document->resource(QTextDocument::StyleSheetResource, QUrl(QString::fromUtf8(name)));
            EXPECT_FALSE(style.toString().contains(QStringLiteral("kelodi-local-css")) ||
                         style.toByteArray().contains("kelodi-local-css"))
                << name.toStdString() << " " << when;
        }
    };

    ASSERT_TRUE(waitFor([&] { return !view->bodyHtml().empty(); }));
    ASSERT_TRUE(view->isBusy());
    readFromDisk("while pending");
    server.setHeld(false);
    ASSERT_TRUE(waitFor([&] { return !view->isBusy(); }));
    readFromDisk("after the fetch failed");
    EXPECT_EQ(colourOf(document->resource(QTextDocument::ImageResource, QUrl("/blue.png"))), QColor(Qt::blue));

    // And as laid out and painted: the web image shows, nothing red does.
    QImage painted(400, 300, QImage::Format_RGB32);
    painted.fill(Qt::white);
    {
        QPainter painter(&painted);
        document->drawContents(&painter);
    }
    EXPECT_GT(pixelsOf(painted, Qt::blue), 1000);
    EXPECT_EQ(pixelsOf(painted, Qt::red), 0);
}

TEST_F(NewsTest, PageTextIsDecodedByItsCharset)
{
    // "新闻" in GBK.
    server.setPage(PagePath, {"text/html; charset=gbk", page("\xD0\xC2\xCE\xC5 ruanjianguanggao")});
    controller.showNow();
    ASSERT_TRUE(waitFor([&] { return !controller.window()->isBusy(); }));
    EXPECT_EQ(controller.window()->bodyHtml(), "新闻 ruanjianguanggao");

    server.setPage(PagePath, {"text/html", "<html><head><meta charset=\"gb2312\"></head><body>\xD0\xC2\xCE\xC5</body></html>"});
    controller.window()->navigate(controller.newsPageUrl());
    ASSERT_TRUE(waitFor([&] { return !controller.window()->isBusy(); }));
    EXPECT_EQ(controller.window()->bodyHtml(), "新闻");
}

TEST_F(NewsTest, OversizedOrMissingPageShowsNothing)
{
    server.setPage(PagePath, {"text/html", page(QByteArray(NewsPageView::MaxPageBytes + 1024, 'x') + "ruanjianguanggao")});
    tickUntil(185);
    ASSERT_TRUE(waitFor([&] { return !controller.window()->isBusy(); }));
    EXPECT_TRUE(controller.window()->bodyHtml().empty());
    tickUntil(192);
    EXPECT_FALSE(windowShown());
    EXPECT_FALSE(controller.timer()->isActive());

    // A server without the page.
    test::LocalHttpServer empty;
    test::RecordingShell otherShell;
    NewsController other(otherShell, nullptr, empty.base());
    other.showNow();
    ASSERT_TRUE(waitFor([&] { return !other.window()->isBusy(); }));
    EXPECT_TRUE(other.window()->bodyHtml().empty());
    EXPECT_TRUE(other.window()->isVisible());
}

}  // namespace
}  // namespace kelodi
