#include "icons.h"

#include <QPainterPath>
#include <QPolygonF>

namespace picgen::icon {
namespace {

// Every icon is designed on a 24 x 24 grid with 2-unit strokes; this maps the grid onto
// the box the caller gives.
class Grid {
public:
    Grid(QPainter &p, const QRectF &box, const QColor &c, qreal stroke = 2.0) : p_(p)
    {
        p_.save();
        p_.setRenderHint(QPainter::Antialiasing, true);
        p_.translate(box.topLeft());
        p_.scale(box.width() / 24.0, box.height() / 24.0);
        p_.setPen(QPen(c, stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p_.setBrush(Qt::NoBrush);
    }
    ~Grid() { p_.restore(); }
    Grid(const Grid &) = delete;
    Grid &operator=(const Grid &) = delete;

private:
    QPainter &p_;
};

} // namespace

void plug(QPainter &p, const QRectF &box, const QColor &c, bool crossed_out)
{
    Grid g(p, box, c);
    p.drawLine(QPointF(9, 3), QPointF(9, 7));
    p.drawLine(QPointF(15, 3), QPointF(15, 7));
    QPainterPath body;
    body.moveTo(6, 7);
    body.lineTo(18, 7);
    body.lineTo(18, 11);
    body.cubicTo(18, 15, 15, 16.5, 12, 16.5);
    body.cubicTo(9, 16.5, 6, 15, 6, 11);
    body.closeSubpath();
    p.drawPath(body);
    p.drawLine(QPointF(12, 16.5), QPointF(12, 21));
    if (crossed_out)
        p.drawLine(QPointF(3, 21), QPointF(21, 3));
}

void obd_connector(QPainter &p, const QRectF &box, const QColor &c)
{
    Grid g(p, box, c, 1.6);
    p.drawPolygon(QPolygonF({QPointF(1.5, 5), QPointF(22.5, 5), QPointF(20.5, 19), QPointF(3.5, 19)}));
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    for (int i = 0; i < 8; ++i) {
        const qreal x = 4.6 + i * 2.1;
        p.drawRect(QRectF(x, 8, 1.3, 2.4));
        p.drawRect(QRectF(x + 0.4, 13.6, 1.3, 2.4));
    }
}

void leaf(QPainter &p, const QRectF &box, const QColor &c)
{
    Grid g(p, box, c);
    QPainterPath shape;
    shape.moveTo(4, 20);
    shape.cubicTo(3, 10, 10, 4, 21, 3);
    shape.cubicTo(21, 14, 15, 21, 4, 20);
    p.drawPath(shape);
    p.drawLine(QPointF(4, 20), QPointF(14, 10));
}

void chevrons(QPainter &p, const QRectF &box, const QColor &c)
{
    Grid g(p, box, c, 2.4);
    for (int i = 0; i < 3; ++i) {
        const qreal x = 3 + i * 6.5;
        p.drawPolyline(QPolygonF({QPointF(x, 5), QPointF(x + 6, 12), QPointF(x, 19)}));
    }
}

void gauge(QPainter &p, const QRectF &box, const QColor &c)
{
    Grid g(p, box, c);
    p.drawArc(QRectF(2, 4, 20, 20), 0 * 16, 180 * 16);
    p.drawLine(QPointF(2, 14), QPointF(4.5, 14));
    p.drawLine(QPointF(22, 14), QPointF(19.5, 14));
    p.drawLine(QPointF(12, 4), QPointF(12, 6.5));
    p.drawLine(QPointF(12, 14), QPointF(12, 8.5));
    p.setBrush(c);
    p.drawEllipse(QPointF(12, 14), 1.8, 1.8);
    p.drawLine(QPointF(5, 19), QPointF(19, 19));
}

void check_circle(QPainter &p, const QRectF &box, const QColor &c)
{
    Grid g(p, box, c);
    p.drawEllipse(QRectF(2, 2, 20, 20));
    p.drawPolyline(QPolygonF({QPointF(7, 12.5), QPointF(10.5, 16), QPointF(17, 8.5)}));
}

void upload(QPainter &p, const QRectF &box, const QColor &c)
{
    Grid g(p, box, c);
    p.drawLine(QPointF(12, 15), QPointF(12, 3));
    p.drawPolyline(QPolygonF({QPointF(7, 8), QPointF(12, 3), QPointF(17, 8)}));
    p.drawPolyline(QPolygonF({QPointF(4, 14), QPointF(4, 20), QPointF(20, 20), QPointF(20, 14)}));
}

void eraser(QPainter &p, const QRectF &box, const QColor &c)
{
    Grid g(p, box, c);
    p.drawPolygon(QPolygonF({QPointF(3, 14), QPointF(13, 4), QPointF(21, 12), QPointF(13, 20), QPointF(7, 20)}));
    p.drawLine(QPointF(8, 9), QPointF(16, 17));
    p.drawLine(QPointF(13, 20), QPointF(21, 20));
}

void sliders(QPainter &p, const QRectF &box, const QColor &c)
{
    Grid g(p, box, c);
    const qreal xs[3] = {5, 12, 19};
    const qreal knobs[3] = {15, 8, 13};
    for (int i = 0; i < 3; ++i) {
        p.drawLine(QPointF(xs[i], 3), QPointF(xs[i], 21));
        p.save();
        p.setBrush(c);
        p.drawRoundedRect(QRectF(xs[i] - 2.5, knobs[i] - 1.8, 5, 3.6), 1, 1);
        p.restore();
    }
}

void chip(QPainter &p, const QRectF &box, const QColor &c)
{
    Grid g(p, box, c);
    p.drawRoundedRect(QRectF(6, 6, 12, 12), 1.5, 1.5);
    for (int i = 0; i < 3; ++i) {
        const qreal t = 9 + i * 3;
        p.drawLine(QPointF(t, 2), QPointF(t, 5));
        p.drawLine(QPointF(t, 19), QPointF(t, 22));
        p.drawLine(QPointF(2, t), QPointF(5, t));
        p.drawLine(QPointF(19, t), QPointF(22, t));
    }
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRect(QRectF(10, 10, 4, 4));
    p.restore();
}

void car(QPainter &p, const QRectF &box, const QColor &c)
{
    Grid g(p, box, c);
    QPainterPath body;
    body.moveTo(2.5, 16.5);
    body.lineTo(2.5, 12.5);
    body.lineTo(5, 11.5);
    body.lineTo(8, 6.5);
    body.lineTo(16, 6.5);
    body.lineTo(19, 11.5);
    body.lineTo(21.5, 12.5);
    body.lineTo(21.5, 16.5);
    body.closeSubpath();
    p.drawPath(body);
    p.drawLine(QPointF(5, 11.5), QPointF(19, 11.5));
    p.setBrush(c);
    p.drawEllipse(QPointF(7, 17.5), 2.2, 2.2);
    p.drawEllipse(QPointF(17, 17.5), 2.2, 2.2);
}

void refresh_arrow(QPainter &p, const QRectF &box, const QColor &c)
{
    Grid g(p, box, c);
    p.drawArc(QRectF(4, 4, 16, 16), 100 * 16, 290 * 16);
    p.drawPolyline(QPolygonF({QPointF(9.5, 1.5), QPointF(13, 4.2), QPointF(10, 7.5)}));
}

} // namespace picgen::icon
