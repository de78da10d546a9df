#include "app/ui/MenuBarStyle.h"

#include <QPainter>
#include <QStyleOptionMenuItem>

namespace quorvane::app {

namespace {
constexpr int kIconSize = 16;
constexpr int kGap = 4;

int captionWidth(const QStyleOptionMenuItem& item)
{
    QString caption = item.text;
    caption.remove(QLatin1Char('&'));
    return item.fontMetrics.horizontalAdvance(caption);
}
} // namespace

void MenuBarStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const
{
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element != CE_MenuBarItem || !item || item->icon.isNull()) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    // The style paints the item's background; the image and the caption
    // follow each other on top of it.
    QStyleOptionMenuItem background(*item);
    background.icon = QIcon();
    background.text.clear();
    QProxyStyle::drawControl(CE_MenuBarItem, &background, painter, widget);

    const QRect area = item->rect;
    const int contentWidth = kIconSize + kGap + captionWidth(*item);
    const int left = area.left() + (area.width() - contentWidth) / 2;
    const QRect iconRect(left, area.center().y() - kIconSize / 2 + 1, kIconSize, kIconSize);
    const bool enabled = item->state & State_Enabled;
    item->icon.paint(painter, iconRect, Qt::AlignCenter, enabled ? QIcon::Normal : QIcon::Disabled);
    const QRect textRect(iconRect.right() + 1 + kGap, area.top(), area.right() - iconRect.right() - kGap,
                         area.height());
    const bool selected = item->state & State_Selected;
    drawItemText(painter, textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, item->palette, enabled,
                 item->text, selected ? QPalette::HighlightedText : QPalette::WindowText);
}

QSize MenuBarStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                     const QWidget* widget) const
{
    QSize contents = size;
    // For an item with an image the menu bar measured the image alone.
    if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        type == CT_MenuBarItem && item && !item->icon.isNull()) {
        contents.setWidth(kIconSize + kGap + captionWidth(*item));
        contents.setHeight(std::max(kIconSize, item->fontMetrics.height()));
    }
    return QProxyStyle::sizeFromContents(type, option, contents, widget);
}

} // namespace quorvane::app
