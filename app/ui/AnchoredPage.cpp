#include "app/ui/AnchoredPage.h"

#include <QResizeEvent>

namespace quorvane::app {

AnchoredPage::AnchoredPage(QSize designSize, QWidget* parent) : QWidget(parent), designSize_(designSize)
{
    resize(designSize);
}

void AnchoredPage::anchorAllSides(QWidget* child)
{
    const QRect g = child->geometry();
    anchors_.push_back({child, QMargins(g.left(), g.top(), designSize_.width() - g.right() - 1,
                                        designSize_.height() - g.bottom() - 1)});
    const QRect now = rect().marginsRemoved(anchors_.back().margins);
    child->setGeometry(now);
}

void AnchoredPage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    for (const Anchor& a : anchors_) {
        QRect area = rect().marginsRemoved(a.margins);
        area.setWidth(std::max(0, area.width()));
        area.setHeight(std::max(0, area.height()));
        a.child->setGeometry(area);
    }
}

} // namespace quorvane::app
