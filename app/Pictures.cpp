#include "Pictures.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <map>
#include <memory>
#include <vector>

namespace {

const QColor kOutline(0, 0, 0);

void line(QPainter& p, qreal x1, qreal y1, qreal x2, qreal y2, qreal width = 1.0, const QColor& colour = kOutline)
{
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

// Mirrors a point of the left half of a face onto the right half.
QPointF mirrored(const QPointF& point)
{
    return {16 - point.x(), point.y()};
}

// The features of a face run through pixel centres. At 16 pixels they are
// laid down cell by cell on the pixel grid, the right half as the exact
// mirror of the left, because an unsmoothed stroke lands a pixel off on one
// side and leaves the face lopsided; larger renditions are smoothed strokes.
class FacePainter {
public:
    FacePainter(QPainter& painter, bool crisp, const QColor& colour)
        : m_p(painter)
        , m_crisp(crisp)
    {
        m_p.setPen(QPen(kOutline, 1.0));
        m_p.setBrush(colour);
        m_p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        m_p.setRenderHint(QPainter::Antialiasing, !crisp);
        m_p.setBrush(Qt::NoBrush);
        m_p.setPen(QPen(kOutline, 1.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    }

    ~FacePainter() { m_p.setRenderHint(QPainter::Antialiasing); }

    // A stroke on the left half and its mirror image on the right half.
    void pair(std::initializer_list<QPointF> left)
    {
        if (m_crisp) {
            for (const QPoint& cell : cells(left)) {
                fill(cell);
                fill({15 - cell.x(), cell.y()});
            }
            return;
        }
        std::vector<QPointF> right;
        for (const QPointF& point : left)
            right.push_back(mirrored(point));
        m_p.drawPolyline(left.begin(), int(left.size()));
        m_p.drawPolyline(right.data(), int(right.size()));
    }

    // A stroke drawn once, symmetric in itself.
    void stroke(std::initializer_list<QPointF> points)
    {
        if (m_crisp) {
            for (const QPoint& cell : cells(points))
                fill(cell);
            return;
        }
        m_p.drawPolyline(points.begin(), int(points.size()));
    }

    void eyes()
    {
        m_p.save();
        m_p.setPen(Qt::NoPen);
        m_p.setBrush(kOutline);
        m_p.drawRect(QRectF(5, 6, 1, 2));
        m_p.drawRect(QRectF(10, 6, 1, 2));
        m_p.restore();
    }

    void smile() { stroke({{4.5, 9.5}, {5.5, 10.5}, {6.5, 11.5}, {9.5, 11.5}, {10.5, 10.5}, {11.5, 9.5}}); }
    void frown() { stroke({{4.5, 12.5}, {5.5, 11.5}, {6.5, 10.5}, {9.5, 10.5}, {10.5, 11.5}, {11.5, 12.5}}); }

private:
    // The pixels a polyline through pixel centres passes over, one per step
    // along its longer axis.
    static std::vector<QPoint> cells(std::initializer_list<QPointF> points)
    {
        std::vector<QPoint> result;
        const QPointF* previous = nullptr;
        for (const QPointF& point : points) {
            if (previous) {
                const int x0 = int(std::floor(previous->x()));
                const int y0 = int(std::floor(previous->y()));
                const int dx = int(std::floor(point.x())) - x0;
                const int dy = int(std::floor(point.y())) - y0;
                const int steps = std::max(std::abs(dx), std::abs(dy));
                for (int i = 0; i <= steps; ++i) {
                    const int x = steps ? x0 + int(std::lround(qreal(dx * i) / steps)) : x0;
                    const int y = steps ? y0 + int(std::lround(qreal(dy * i) / steps)) : y0;
                    result.push_back({x, y});
                }
            }
            previous = &point;
        }
        return result;
    }

    void fill(const QPoint& cell) { m_p.fillRect(QRectF(cell, QSizeF(1, 1)), kOutline); }

    QPainter& m_p;
    bool m_crisp;
};

void neutral(QPainter& p, bool crisp)
{
    FacePainter face(p, crisp, QColor(70, 200, 70));
    face.pair({{4.5, 4.5}, {6.5, 4.5}});
    face.eyes();
    face.stroke({{5.5, 10.5}, {10.5, 10.5}});
}

void friendly(QPainter& p, bool crisp)
{
    FacePainter face(p, crisp, QColor(255, 225, 40));
    face.pair({{4.5, 4.5}, {5.5, 3.5}, {6.5, 4.5}});
    face.eyes();
    face.smile();
}

void hostile(QPainter& p, bool crisp)
{
    FacePainter face(p, crisp, QColor(235, 55, 45));
    face.pair({{3.5, 3.5}, {4.5, 4.5}, {6.5, 5.5}});
    face.eyes();
    face.frown();
}

void loathed(QPainter& p, bool crisp)
{
    FacePainter face(p, crisp, QColor(70, 125, 235));
    face.pair({{4.5, 5.5}, {6.5, 7.5}});
    face.pair({{4.5, 7.5}, {6.5, 5.5}});
    face.frown();
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
    p.drawRect(QRectF(7, 4, 2, 5));
    p.drawRect(QRectF(7, 10, 2, 2));
}

void pencil(QPainter& p)
{
    // Crumbs of rubbed-out lead below the eraser end.
    p.setPen(Qt::NoPen);
    p.setBrush(kOutline);
    for (const QPoint& c : {QPoint(1, 10), QPoint(0, 13), QPoint(2, 15), QPoint(4, 14), QPoint(6, 15)})
        p.drawRect(QRectF(c, QSizeF(1, 1)));
    p.save();
    p.translate(9, 7);
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
    const QPointF point(9.6, 0.8);
    const QPointF wing(14.6, 13.4);
    const QPointF notch(8.6, 10.2);
    const QPointF tail(1.6, 14.6);
    p.setPen(QPen(kOutline, 0.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(235, 45, 205));
    p.drawPolygon(QPolygonF({point, wing, notch, tail}));
    // The facet along the lower right edge lies in shadow.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(105, 20, 110));
    p.drawPolygon(QPolygonF({point + QPointF(0, 1.4), wing + QPointF(-0.8, -0.4), notch + QPointF(0.4, -0.4)}));
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

void paint(QPainter& p, PictureList list, int index, bool crisp)
{
    if (list == PictureList::State) {
        if (index == 0 || index == 1)
            bulb(p, index == 1);
        return;
    }
    switch (index) {
    case 0: neutral(p, crisp); break;
    case 1: friendly(p, crisp); break;
    case 2: hostile(p, crisp); break;
    case 3: loathed(p, crisp); break;
    case 4: sexSign(p, true); break;
    case 5: sexSign(p, false); break;
    case 6: refresh(p); break;
    case 7: pencil(p); break;
    case 8: dart(p); break;
    default: break;
    }
}

} // namespace

QPixmap RenderPicture(PictureList list, int index, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    paint(p, list, index, size < 24);
    return pixmap;
}

namespace {

// An icon whose renditions are drawn when a size of it is first wanted: a
// screen at normal density never needs the larger ones, and drawing them all
// at start-up cost more than the rest of the window's pictures together.
// Each answer is the one an icon holding every rendition would give: the
// rendition for a size is the smallest that is at least as large, else the
// largest, and it is handed to an icon of its own, so that disabled and
// selected looks come from the style as for any other icon.
class PictureEngine : public QIconEngine {
public:
    PictureEngine(PictureList list, int index, std::vector<int> sizes)
        : m_drawn(std::make_shared<Drawn>(Drawn{list, index, std::move(sizes), {}}))
    {
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : qApp->devicePixelRatio();
        rendition(renditionFor(rect.size() * ratio)).paint(painter, rect, Qt::AlignCenter, mode, state);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return rendition(renditionFor(size)).pixmap(size, 1.0, mode, state);
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const QSize drawn(renditionFor(size), renditionFor(size));
        return drawn.width() > size.width() || drawn.height() > size.height() ? drawn.scaled(size, Qt::KeepAspectRatio) : drawn;
    }

    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        QList<QSize> sizes;
        if (mode == QIcon::Normal && state == QIcon::Off)
            for (const int size : m_drawn->Sizes)
                sizes.append(QSize(size, size));
        return sizes;
    }

    bool isNull() override { return false; }
    QString key() const override { return QStringLiteral("QuorrixPicture"); }
    QIconEngine* clone() const override { return new PictureEngine(*this); }

private:
    // Shared by the copies of an icon, so that a rendition is drawn once.
    struct Drawn {
        PictureList List;
        int Index;
        std::vector<int> Sizes;
        std::map<int, QIcon> Renditions;
    };

    int renditionFor(const QSize& wanted) const
    {
        const qint64 area = qint64(wanted.width()) * wanted.height();
        int smallestLarger = 0;
        int largest = 0;
        for (const int size : m_drawn->Sizes) {
            if (qint64(size) * size >= area && (smallestLarger == 0 || size < smallestLarger))
                smallestLarger = size;
            largest = std::max(largest, size);
        }
        return smallestLarger ? smallestLarger : largest;
    }

    const QIcon& rendition(int size)
    {
        QIcon& icon = m_drawn->Renditions[size];
        if (icon.isNull())
            icon.addPixmap(RenderPicture(m_drawn->List, m_drawn->Index, size));
        return icon;
    }

    std::shared_ptr<Drawn> m_drawn;
};

QIcon icon(PictureList list, int index, std::vector<int> sizes = {16, 32, 48})
{
    return QIcon(new PictureEngine(list, index, std::move(sizes)));
}

// Each picture is drawn once per run: the window asks for the same pictures
// for its list, its toolbar and its popup menu. The cache belongs to the
// application object, so that no picture outlives it.
class PictureCache : public QObject {
public:
    using QObject::QObject;
    QIcon Small[kSmallImageCount];
    QIcon State[kStateImageCount];
};

QIcon& cached(PictureList list, int index)
{
    static QPointer<PictureCache> cache;
    if (!cache)
        cache = new PictureCache(QCoreApplication::instance());
    QIcon& slot = list == PictureList::Small ? cache->Small[index] : cache->State[index];
    if (slot.isNull())
        slot = icon(list, index);
    return slot;
}

} // namespace

QIcon SmallImage(int index)
{
    if (index < 0 || index >= kSmallImageCount)
        return icon(PictureList::Small, index);
    return cached(PictureList::Small, index);
}

QIcon StateImage(int index)
{
    if (index < 0 || index >= kStateImageCount)
        return icon(PictureList::State, index);
    return cached(PictureList::State, index);
}

QIcon ProgramIcon()
{
    return icon(PictureList::Small, 8, {16, 32, 48, 64, 128, 256});
}
