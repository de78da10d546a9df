#include "app/ui/Images.h"

#include <QPainter>
#include <QPainterPath>

#include <array>
#include <functional>

namespace quorvane::app {

namespace {

// Every picture is drawn on a 16 x 16 logical grid; the painter is scaled so
// the same strokes serve every pixel size.
using Painter = std::function<void(QPainter&)>;

void drawCross(QPainter& p)
{
    QPen pen(QColor(0xc0, 0x10, 0x10), 3.0, Qt::SolidLine, Qt::RoundCap);
    p.setPen(pen);
    p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
    p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
}

void drawTick(QPainter& p)
{
    QPen pen(QColor(0x10, 0x9a, 0x20), 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    QPainterPath path;
    path.moveTo(2.5, 8.5);
    path.lineTo(6.5, 12.5);
    path.lineTo(13.5, 3.5);
    p.drawPath(path);
}

void drawDisc(QPainter& p)
{
    p.setPen(QPen(QColor(0x50, 0x80, 0xb0), 1.0));
    p.setBrush(QColor(0xb8, 0xdc, 0xf8));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(QColor(0xe8, 0xf4, 0xff));
    p.drawEllipse(QRectF(5.5, 5.5, 5, 5));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(7, 7, 2, 2));
}

void drawPage(QPainter& p)
{
    p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1.0));
    p.setBrush(Qt::white);
    QPainterPath sheet;
    sheet.moveTo(3.5, 1.5);
    sheet.lineTo(10.5, 1.5);
    sheet.lineTo(13.5, 4.5);
    sheet.lineTo(13.5, 14.5);
    sheet.lineTo(3.5, 14.5);
    sheet.closeSubpath();
    p.drawPath(sheet);
    p.drawLine(QPointF(10.5, 1.5), QPointF(10.5, 4.5));
    p.drawLine(QPointF(10.5, 4.5), QPointF(13.5, 4.5));
    p.setPen(QPen(QColor(0x20, 0x40, 0xa0), 1.0));
    for (double y : {6.5, 8.5, 10.5, 12.5})
        p.drawLine(QPointF(5.0, y), QPointF(y < 7 ? 9.0 : 12.0, y));
}

void drawComputer(QPainter& p, double x, double y)
{
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.0));
    p.setBrush(QColor(0xd8, 0xd8, 0xd0));
    p.drawRect(QRectF(x + 0.5, y + 0.5, 8, 6));
    p.setBrush(QColor(0x30, 0x70, 0xc0));
    p.drawRect(QRectF(x + 2, y + 2, 5, 3));
    p.setBrush(QColor(0xd8, 0xd8, 0xd0));
    p.drawRect(QRectF(x + 1.5, y + 7.5, 6, 1.5));
}

void drawComputers(QPainter& p)
{
    drawComputer(p, 0, 1);
    drawComputer(p, 7, 6);
    p.setPen(QPen(QColor(0x20, 0x20, 0x20), 1.0));
    p.drawLine(QPointF(4.5, 10.5), QPointF(4.5, 13.5));
    p.drawLine(QPointF(4.5, 13.5), QPointF(7.5, 13.5));
}

// A question mark in the stroke of the tick and the cross: the list has no
// answer for this image.
void drawQuestion(QPainter& p)
{
    QPen pen(QColor(0x30, 0x60, 0xc0), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    QPainterPath path;
    path.moveTo(4.5, 5.5);
    path.cubicTo(4.5, 1.5, 11.5, 1.5, 11.5, 5.0);
    path.cubicTo(11.5, 7.5, 8.0, 7.5, 8.0, 10.0);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(pen.color());
    p.drawEllipse(QPointF(8.0, 13.5), 1.6, 1.6);
}

void drawMagnifier(QPainter& p)
{
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.6));
    p.setBrush(QColor(0xd0, 0xe8, 0xff));
    p.drawEllipse(QRectF(2, 2, 8, 8));
    p.setPen(QPen(QColor(0x60, 0x40, 0x20), 3.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9.5, 9.5), QPointF(13.5, 13.5));
}

void drawUpdate(QPainter& p)
{
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.0));
    p.setBrush(QColor(0xc8, 0xc8, 0xc8));
    p.drawRect(QRectF(1.5, 11.5, 13, 3));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x10, 0x9a, 0x20));
    QPainterPath arrow;
    arrow.moveTo(6, 1);
    arrow.lineTo(10, 1);
    arrow.lineTo(10, 6);
    arrow.lineTo(13, 6);
    arrow.lineTo(8, 11);
    arrow.lineTo(3, 6);
    arrow.lineTo(6, 6);
    arrow.closeSubpath();
    p.drawPath(arrow);
}

QPixmap render(const Painter& paint, int pixels)
{
    QPixmap pm(pixels, pixels);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(pixels / 16.0, pixels / 16.0);
    paint(p);
    return pm;
}

QIcon iconOf(const Painter& paint)
{
    QIcon icon;
    icon.addPixmap(render(paint, 16));
    icon.addPixmap(render(paint, 32));
    return icon;
}

const std::array<Painter, Images::Count>& painters()
{
    static const std::array<Painter, Images::Count> all{drawCross, drawTick,      drawDisc,
                                                        drawPage,  drawComputers, drawQuestion};
    return all;
}

} // namespace

QIcon Images::icon(int index)
{
    if (index < 0 || index >= Count)
        return {};
    // Icons are built once; every list row shares them.
    static const std::array<QIcon, Count> icons{iconOf(painters()[0]), iconOf(painters()[1]), iconOf(painters()[2]),
                                                iconOf(painters()[3]), iconOf(painters()[4]), iconOf(painters()[5])};
    return icons[static_cast<std::size_t>(index)];
}

QPixmap Images::pixmap(int index, int pixels)
{
    if (index < 0 || index >= Count)
        return {};
    return render(painters()[static_cast<std::size_t>(index)], pixels);
}

QIcon Images::searchGlyph()
{
    return iconOf(drawMagnifier);
}

QIcon Images::updateBitmap()
{
    return iconOf(drawUpdate);
}

QIcon Images::applicationIcon()
{
    return icon(PaleBlueDisc);
}

QPixmap Images::applicationPixmap(int pixels)
{
    return pixmap(PaleBlueDisc, pixels);
}

} // namespace quorvane::app
