#include "app/ui/DesignFont.h"

#include <QApplication>
#include <QWidget>

namespace quorvane::app {

QFont DesignFont::font()
{
    QFont f = QApplication::font();
    if (f.pointSizeF() > PointSize)
        f.setPointSizeF(PointSize);
    else if (f.pointSizeF() <= 0 && f.pixelSize() > 11)
        f.setPixelSize(11);
    return f;
}

void DesignFont::apply(QWidget& window)
{
    window.setFont(font());
}

} // namespace quorvane::app
