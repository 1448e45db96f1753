#include "app_icon.h"

#include "theme.h"

#include <QLinearGradient>
#include <QPolygonF>

namespace picgen {

QImage draw_app_icon(int side)
{
    return draw_picture(side, side, [&](QPainter &p) {
        const qreal s = side / 64.0;
        p.scale(s, s);
        // Dark rounded tile with the accent slash and an "OR" plug face, the mark of the
        // window header in a form that still reads at 16 pixels.
        QLinearGradient g(0, 0, 0, 64);
        g.setColorAt(0.0, QColor(46, 50, 58));
        g.setColorAt(1.0, QColor(16, 18, 22));
        p.setPen(QPen(QColor(255, 219, 10), 3));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(2.5, 2.5, 59, 59), 13, 13);
        QPolygonF plug({QPointF(12, 20), QPointF(52, 20), QPointF(46, 46), QPointF(18, 46)});
        p.setPen(Qt::NoPen);
        p.setBrush(colour::accent);
        p.drawPolygon(plug);
        p.setBrush(QColor(20, 22, 26));
        for (int i = 0; i < 4; ++i) {
            p.drawRoundedRect(QRectF(19 + i * 7.5, 26, 4.5, 5), 1, 1);
            p.drawRoundedRect(QRectF(21.5 + i * 6, 36, 4.5, 5), 1, 1);
        }
        p.end();
    });
}

} // namespace picgen
