// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/desktop/web_link_labels.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>

#include <algorithm>

#include "core/app/window_placement.h"
#include "core/desktop/desktop_texts.h"
#include "core/desktop/product_config.h"
#include "gui/desktop/link_label.h"
#include "gui/desktop/shell.h"
#include "gui/common/utf8.h"

namespace kelodi {

namespace {

enum class LabelKind { Caption, WebLink, ChatLink, KeyDiagram };

struct LabelPlace {
    int index;
    LabelKind kind;
    int left, top, width, height;  // twips inside the frame
};

// In the order the row reads from left to right.
constexpr LabelPlace Places[] = {
    {0, LabelKind::Caption, 60, 590, 1035, 195},
    {1, LabelKind::WebLink, 900, 560, 2235, 255},
    {2, LabelKind::Caption, 3480, 590, 1035, 195},
    {3, LabelKind::WebLink, 4320, 560, 2535, 255},
    {7, LabelKind::Caption, 7320, 590, 675, 195},
    {6, LabelKind::ChatLink, 7980, 555, 1095, 255},
    {4, LabelKind::KeyDiagram, 9780, 590, 855, 255},
};

int pixels(int twips)
{
    return (twips + TwipsPerPixel / 2) / TwipsPerPixel;
}

QString captionOf(int index)
{
    switch (index) {
    case 0:
        return QStringLiteral("软件主页:");
    case 1:
        return fromUtf8(product::homePageAddress);
    case 2:
        return QStringLiteral("软件升级:");
    case 3:
        return fromUtf8(product::upgradePageAddress);
    case 4:
        return QStringLiteral("按键图示");
    case 6:
        return fromUtf8(product::qqNumber);
    case 7:
        return QStringLiteral("QQ号码:");
    default:
        return {};
    }
}

}  // namespace

WebLinkLabels::WebLinkLabels(Shell& shell, QWidget* frame) : QObject(frame), m_shell(shell)
{
    for (const LabelPlace& place : Places) {
        const QString caption = captionOf(place.index);
        QLabel* label = nullptr;
        if (place.kind == LabelKind::Caption) {
            label = new QLabel(caption, frame);
            label->setTextFormat(Qt::PlainText);
        } else {
            auto* link = new LinkLabel(caption, frame);
            if (place.kind == LabelKind::KeyDiagram) {
                link->setHoverEnabled(false);
                link->setRestColor(LinkLabel::HotColor);
            }
            const int index = place.index;
            connect(link, &LinkLabel::clicked, this, [this, index] { click(index); });
            label = link;
        }
        label->setObjectName(QStringLiteral("WebLink_%1").arg(place.index));
        QRect box(pixels(place.left), pixels(place.top), pixels(place.width), pixels(place.height));
        // A caption ends where its link begins; with a wider font than the
        // design's it grows to the left rather than under the link.
        const int needed = label->sizeHint().width();
        if (place.kind == LabelKind::Caption && needed > box.width())
            box.setLeft(std::max(0, box.right() + 1 - needed));
        label->setGeometry(box);
        m_labels[place.index] = label;
    }
    m_labels[1]->setToolTip(fromUtf8(product::homePageTip));
    m_labels[3]->setToolTip(QStringLiteral("点击进入软件升级页面"));
    watch(frame);
}

QLabel* WebLinkLabels::label(int index) const
{
    if (index < 0 || index >= static_cast<int>(std::size(m_labels)))
        return nullptr;
    return m_labels[index];
}

LinkLabel* WebLinkLabels::link(int index) const
{
    return qobject_cast<LinkLabel*>(label(index));
}

void WebLinkLabels::watch(QWidget* area)
{
    area->setMouseTracking(true);
    area->installEventFilter(this);
}

void WebLinkLabels::resetLinks()
{
    for (int index : {1, 3, 6})
        link(index)->setHot(false);
}

void WebLinkLabels::click(int index)
{
    switch (index) {
    case 1:
    case 3:
        m_shell.openUrl(QUrl(label(index)->text().trimmed()));
        break;
    case 6:
        m_shell.openUrl(QUrl(fromUtf8(qqChatAddress())));
        break;
    case 4:
        emit keyDiagramRequested();
        break;
    default:
        break;
    }
}

bool WebLinkLabels::eventFilter(QObject* watched, QEvent* event)
{
    // A child widget that ignores a move passes it on to the area, so only a
    // move with no child under it lies on the area's own surface.
    if (event->type() == QEvent::MouseMove) {
        auto* area = qobject_cast<QWidget*>(watched);
        const auto* move = static_cast<QMouseEvent*>(event);
        if (area != nullptr && area->childAt(move->position().toPoint()) == nullptr)
            resetLinks();
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kelodi
