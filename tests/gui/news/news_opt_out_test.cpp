// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>

#include "gui/app/main_window_fixture.h"
#include "gui/desktop/help_menu.h"
#include "gui/news/local_http_server.h"
#include "gui/news/news_controller.h"
#include "gui/news/news_window.h"

namespace kelodi {
namespace {

// The real main window with its news schedule pointed at a local server that
// counts requests. The schedule ticks once a second and waits 185..304 online
// ticks before it asks for the page; the test passes that time in faster, one
// tick per millisecond on the window's own timer, and counts the ticks.
class NewsRequestsTest : public test::MainWindowFixture {
protected:
    void SetUp() override
    {
        server.setPage("/rjshengji/gg_tan.htm", {"text/html", "<html><body>news</body></html>"});
        ASSERT_TRUE(server.isListening());
        MainWindowFixture::SetUp();
    }

    // Runs the schedule for `count` ticks, or until it has ended.
    void runSchedule(int count)
    {
        NewsController& news = window->news();
        news.setServer(server.base());
        news.setOnlineTest([] { return true; });
        QObject::connect(news.timer(), &QTimer::timeout, [this] { ++ticks; });
        news.timer()->setTimerType(Qt::PreciseTimer);
        news.timer()->setInterval(1);
        QElapsedTimer clock;
        clock.start();
        while (ticks < count && news.timer()->isActive() && clock.elapsed() < 120'000)
            QTest::qWait(10);
        // An answer still on its way is let in before the requests are counted.
        QTest::qWait(50);
    }

    test::LocalHttpServer server;
    int ticks = 0;
};

class NewsOptedOutTest : public NewsRequestsTest {
protected:
    // "禁止弹出新闻资讯(&X)" ticked in an earlier run.
    void prepareFolder() override
    {
        QFile optOut(folder.filePath(QStringLiteral("v.sz")));
        ASSERT_TRUE(optOut.open(QIODevice::WriteOnly));
        optOut.write("True\r\n");
    }
};

TEST_F(NewsRequestsTest, WithoutTheOptOutThePageIsAskedForOnce)
{
    runSchedule(2000);
    EXPECT_FALSE(window->news().timer()->isActive()) << ticks << " ticks";
    EXPECT_EQ(server.requests().join(' ').toStdString(), "/rjshengji/gg_tan.htm?id=pwkrm");
}

TEST_F(NewsOptedOutTest, TheOptOutSendsNoRequestAtAll)
{
    ASSERT_TRUE(window->helpMenu().noNewsPopup());
    // Twice the longest wait before the page would be asked for.
    runSchedule(2 * (299 + NewsSchedule::DecideAt));
    EXPECT_GE(ticks, 2 * (299 + NewsSchedule::DecideAt));
    EXPECT_TRUE(server.requests().isEmpty()) << server.requests().join(' ').toStdString();
    EXPECT_EQ(window->news().window(), nullptr);
}

}  // namespace
}  // namespace kelodi
