#include "Pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace {

const QColor kOutline(0, 0, 0);

void face(QPainter& p, const QColor& colour)
{
    p.setPen(QPen(kOutline, 1.0));
    p.setBrush(colour);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
}

void eyes(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kOutline);
    p.drawEllipse(QRectF(4.6, 5.6, 1.8, 2.0));
    p.drawEllipse(QRectF(9.6, 5.6, 1.8, 2.0));
}

void line(QPainter& p, qreal x1, qreal y1, qreal x2, qreal y2, qreal width = 1.0, const QColor& colour = kOutline)
{
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void arcMouth(QPainter& p, bool smile)
{
    p.setPen(QPen(kOutline, 1.0, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    if (smile)
        p.drawArc(QRectF(4.5, 6.5, 7, 5), 200 * 16, 140 * 16);
    else
        p.drawArc(QRectF(4.5, 10.5, 7, 5), 30 * 16, 120 * 16);
}

void neutral(QPainter& p)
{
    face(p, QColor(60, 190, 60));
    line(p, 4, 4.2, 6.5, 4.2);
    line(p, 9.5, 4.2, 12, 4.2);
    eyes(p);
    line(p, 5, 11, 11, 11);
}

void friendly(QPainter& p)
{
    face(p, QColor(250, 220, 40));
    p.setPen(QPen(kOutline, 1.0, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(3.8, 3.0, 3.2, 2.4), 20 * 16, 140 * 16);
    p.drawArc(QRectF(9.0, 3.0, 3.2, 2.4), 20 * 16, 140 * 16);
    eyes(p);
    arcMouth(p, true);
}

void hostile(QPainter& p)
{
    face(p, QColor(230, 50, 40));
    line(p, 3.8, 3.8, 6.8, 5.4);
    line(p, 12.2, 3.8, 9.2, 5.4);
    eyes(p);
    arcMouth(p, false);
}

void loathed(QPainter& p)
{
    face(p, QColor(70, 120, 230));
    for (const qreal x : {5.5, 10.5}) {
        line(p, x - 1.3, 5.2, x + 1.3, 7.8);
        line(p, x - 1.3, 7.8, x + 1.3, 5.2);
    }
    arcMouth(p, false);
}

void sexSign(QPainter& p, bool female)
{
    const QColor colour = female ? QColor(220, 30, 50) : QColor(40, 80, 220);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (female) {
        p.drawEllipse(QRectF(4, 1.5, 8, 8));
        p.drawLine(QPointF(8, 9.5), QPointF(8, 15));
        p.drawLine(QPointF(5.5, 12.5), QPointF(10.5, 12.5));
    } else {
        p.drawEllipse(QRectF(1.5, 6, 8, 8));
        p.drawLine(QPointF(8.3, 7.2), QPointF(14, 1.8));
        p.drawLine(QPointF(9.5, 1.8), QPointF(14, 1.8));
        p.drawLine(QPointF(14, 1.8), QPointF(14, 6.3));
    }
}

void refresh(QPainter& p)
{
    const QColor red(215, 30, 30);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(red, 2.2, Qt::SolidLine, Qt::FlatCap));
    // Open at the upper right, where the head points back into the gap.
    p.drawArc(QRectF(2, 2, 12, 12), 70 * 16, 290 * 16);
    QPainterPath head;
    head.moveTo(15.2, 5.0);
    head.lineTo(9.6, 5.6);
    head.lineTo(13.6, 0.6);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(red);
    p.drawPath(head);
    p.setBrush(kOutline);
    p.drawRect(QRectF(7.2, 4.6, 1.6, 4.6));
    p.drawRect(QRectF(7.2, 10.2, 1.6, 1.6));
}

void pencil(QPainter& p)
{
    // Crumbs of rubbed-out lead below the eraser end.
    p.setPen(Qt::NoPen);
    p.setBrush(kOutline);
    for (const QPointF& c : {QPointF(1.5, 12.5), QPointF(3.5, 14.8), QPointF(0.8, 15.0), QPointF(5.8, 14.8), QPointF(2.2, 10.4)})
        p.drawRect(QRectF(c, QSizeF(1.1, 1.1)));
    p.save();
    p.translate(8, 8);
    p.rotate(-45);
    const QRectF body(-5.5, -2.2, 9.5, 4.4);
    p.setPen(QPen(kOutline, 0.8));
    p.setBrush(QColor(250, 215, 40));
    p.drawRect(body);
    p.setBrush(QColor(220, 40, 40));
    p.drawRect(QRectF(-8.2, -2.2, 2.7, 4.4)); // the rubber end, lower left
    QPainterPath tip;
    tip.moveTo(4, -2.2);
    tip.lineTo(7.8, 0);
    tip.lineTo(4, 2.2);
    tip.closeSubpath();
    p.setBrush(QColor(240, 205, 160));
    p.drawPath(tip);
    p.setBrush(kOutline);
    p.drawEllipse(QPointF(7.0, 0), 0.8, 0.6);
    p.restore();
}

void dart(QPainter& p)
{
    QPainterPath arrow;
    arrow.moveTo(8.5, 0.8);   // point
    arrow.lineTo(14.2, 14.6); // right wing
    arrow.lineTo(8.6, 10.6);  // notch
    arrow.lineTo(1.6, 14.8);  // tail, lower left
    arrow.closeSubpath();
    p.setPen(QPen(kOutline, 0.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(230, 40, 200));
    p.drawPath(arrow);
    QPainterPath shade;
    shade.moveTo(8.5, 0.8);
    shade.lineTo(14.2, 14.6);
    shade.lineTo(8.6, 10.6);
    shade.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(110, 20, 110));
    p.drawPath(shade);
}

void bulb(QPainter& p, bool lit)
{
    if (lit) {
        const QColor ray(245, 200, 20);
        for (int i = 0; i < 8; ++i) {
            const qreal a = (i * 45 + 22.5) * M_PI / 180;
            line(p, 8 + 5.6 * std::cos(a), 6.5 - 5.6 * std::sin(a), 8 + 7.6 * std::cos(a), 6.5 - 7.6 * std::sin(a), 1.2, ray);
        }
    }
    p.setPen(QPen(kOutline, 0.9));
    p.setBrush(lit ? QColor(255, 240, 90) : QColor(255, 255, 255));
    p.drawEllipse(QRectF(4, 2, 8, 8.5));
    p.setBrush(QColor(150, 150, 150));
    p.drawRect(QRectF(5.8, 10.2, 4.4, 3.2));
    line(p, 5.8, 11.8, 10.2, 11.8, 0.7);
    p.setBrush(kOutline);
    p.drawRect(QRectF(6.8, 13.4, 2.4, 1.4));
    const QColor filament = lit ? QColor(230, 120, 0) : QColor(120, 120, 120);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(filament, 0.8));
    QPainterPath wire;
    wire.moveTo(6.8, 10.2);
    wire.lineTo(6.8, 6.8);
    wire.lineTo(7.6, 5.8);
    wire.lineTo(8.4, 6.8);
    wire.lineTo(9.2, 5.8);
    wire.lineTo(9.2, 10.2);
    p.drawPath(wire);
}

void paint(QPainter& p, PictureList list, int index)
{
    if (list == PictureList::State) {
        bulb(p, index == 1);
        return;
    }
    switch (index) {
    case 0: neutral(p); break;
    case 1: friendly(p); break;
    case 2: hostile(p); break;
    case 3: loathed(p); break;
    case 4: sexSign(p, true); break;
    case 5: sexSign(p, false); break;
    case 6: refresh(p); break;
    case 7: pencil(p); break;
    case 8: dart(p); break;
    default: break;
    }
}

QIcon icon(PictureList list, int index)
{
    QIcon result;
    for (const int size : {16, 32, 48})
        result.addPixmap(RenderPicture(list, index, size));
    return result;
}

} // namespace

QPixmap RenderPicture(PictureList list, int index, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    paint(p, list, index);
    return pixmap;
}

QIcon SmallImage(int index)
{
    return icon(PictureList::Small, index);
}

QIcon StateImage(int index)
{
    return icon(PictureList::State, index);
}

QIcon ProgramIcon()
{
    QIcon result = icon(PictureList::Small, 8);
    for (const int size : {64, 128, 256})
        result.addPixmap(RenderPicture(PictureList::Small, 8, size));
    return result;
}
