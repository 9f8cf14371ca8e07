// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

#include "core/desktop/desktop_texts.h"
#include "core/desktop/product_config.h"
#include "gui/desktop/link_label.h"
#include "gui/desktop/recording_shell.h"
#include "gui/common/utf8.h"
#include "gui/desktop/web_link_labels.h"

namespace kelodi {
namespace {

void moveMouse(QWidget* widget, QPoint at)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(widget->mapToGlobal(at)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

bool looksHot(const QLabel* label)
{
    return label->palette().color(QPalette::WindowText) == QColor(255, 0, 0) && label->font().underline();
}

bool looksAtRest(const QLabel* label)
{
    return label->palette().color(QPalette::WindowText) == QColor(0, 0, 255) && !label->font().underline();
}

class WebLinkLabelsTest : public ::testing::Test {
protected:
    WebLinkLabelsTest()
    {
        window.resize(745, 353);
        frame->setGeometry(12, 292, 729, 89);
        links.watch(&window);
    }

    test::RecordingShell shell;
    QWidget window;
    QWidget* frame = new QWidget(&window);  // the bottom frame
    WebLinkLabels links{shell, frame};
};

TEST_F(WebLinkLabelsTest, LabelsSitWhereTheRowPutsThem)
{
    struct Expected {
        int index;
        QString text;
        QRect geometry;
    };
    for (const Expected& e : {Expected{0, "软件主页:", {4, 39, 69, 13}},
                              Expected{2, "软件升级:", {232, 39, 69, 13}},
                              Expected{3, fromUtf8(product::upgradePageAddress), {288, 37, 169, 17}},
                              Expected{7, "QQ号码:", {488, 39, 45, 13}},
                              Expected{6, fromUtf8(product::qqNumber), {532, 37, 73, 17}},
                              Expected{4, "按键图示", {652, 39, 57, 17}}}) {
        ASSERT_NE(links.label(e.index), nullptr) << e.index;
        EXPECT_EQ(links.label(e.index)->text(), e.text) << e.index;
        // Captions may grow to the left to fit a wider font; their right edge stays.
        const QRect at = links.label(e.index)->geometry();
        EXPECT_EQ(at.topRight(), e.geometry.topRight()) << e.index;
        EXPECT_EQ(at.height(), e.geometry.height()) << e.index;
        EXPECT_GE(at.width(), std::min(e.geometry.width(), links.label(e.index)->sizeHint().width())) << e.index;
        if (links.link(e.index) != nullptr) {
            EXPECT_EQ(at, e.geometry) << e.index;
        }
        EXPECT_EQ(links.label(e.index)->parentWidget(), frame);
    }
    EXPECT_EQ(links.label(5), nullptr);
    EXPECT_EQ(links.label(3)->toolTip(), QStringLiteral("点击进入软件升级页面"));
    EXPECT_EQ(links.link(0), nullptr);  // a plain caption
    // The key diagram link is red at rest and does not light up.
    EXPECT_EQ(links.label(4)->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    moveMouse(links.label(4), {5, 5});
    EXPECT_FALSE(links.label(4)->font().underline());
}

TEST_F(WebLinkLabelsTest, HoverLightsLinksUntilTheMouseCrossesTheBackground)
{
    for (int i : {1, 3, 6})
        EXPECT_TRUE(looksAtRest(links.label(i))) << i;

    moveMouse(links.label(3), {5, 5});
    EXPECT_TRUE(looksHot(links.label(3)));
    // Leaving a link for another does not rest the first one.
    moveMouse(links.label(1), {5, 5});
    EXPECT_TRUE(looksHot(links.label(1)));
    EXPECT_TRUE(looksHot(links.label(3)));
    EXPECT_TRUE(looksAtRest(links.label(6)));

    // A move over a caption label on the frame is not a move over the frame.
    moveMouse(frame, links.label(0)->geometry().center());
    EXPECT_TRUE(looksHot(links.label(3)));

    moveMouse(frame, {720, 5});
    for (int i : {1, 3, 6})
        EXPECT_TRUE(looksAtRest(links.label(i))) << i;

    moveMouse(links.label(6), {5, 5});
    moveMouse(&window, {100, 10});
    EXPECT_TRUE(looksAtRest(links.label(6)));
}

TEST_F(WebLinkLabelsTest, ClicksOpenTheirAddresses)
{
    QSignalSpy diagram(&links, &WebLinkLabels::keyDiagramRequested);
    QTest::mouseClick(links.label(1), Qt::LeftButton);
    QTest::mouseClick(links.label(3), Qt::LeftButton);
    QTest::mouseClick(links.label(6), Qt::LeftButton);
    QTest::mouseClick(links.label(6), Qt::RightButton);
    QTest::mouseClick(links.label(0), Qt::LeftButton);
    EXPECT_EQ(shell.urls, (QList<QUrl>{QUrl(fromUtf8(product::homePageAddress)),
                                      QUrl(fromUtf8(product::upgradePageAddress)),
                                      QUrl(fromUtf8(qqChatAddress()))}));
    EXPECT_EQ(diagram.count(), 0);
    QTest::mouseClick(links.label(4), Qt::LeftButton);
    EXPECT_EQ(diagram.count(), 1);
    EXPECT_EQ(shell.urls.size(), 3);
}

}  // namespace
}  // namespace kelodi
