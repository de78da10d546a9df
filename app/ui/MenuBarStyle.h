#pragma once

#include <QProxyStyle>

namespace quorvane::app {

/// Draws menu-bar items that carry an image with the image and the caption
/// side by side ("File" with its sub-menu picture); Qt's styles would show
/// the image alone.
class MenuBarStyle : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget = nullptr) const override;
};

} // namespace quorvane::app
