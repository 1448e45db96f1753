#pragma once

#include <QColor>
#include <QPainter>
#include <QRectF>

// Line icons drawn into a square box; the stroke width follows the box size so the same
// icon reads at button and caption sizes.
namespace picgen::icon {

void plug(QPainter &p, const QRectF &box, const QColor &c, bool crossed_out);
void obd_connector(QPainter &p, const QRectF &box, const QColor &c);
void leaf(QPainter &p, const QRectF &box, const QColor &c);
void chevrons(QPainter &p, const QRectF &box, const QColor &c);
void gauge(QPainter &p, const QRectF &box, const QColor &c);
void check_circle(QPainter &p, const QRectF &box, const QColor &c);
void upload(QPainter &p, const QRectF &box, const QColor &c);
void eraser(QPainter &p, const QRectF &box, const QColor &c);
void sliders(QPainter &p, const QRectF &box, const QColor &c);
void chip(QPainter &p, const QRectF &box, const QColor &c);
void car(QPainter &p, const QRectF &box, const QColor &c);
void refresh_arrow(QPainter &p, const QRectF &box, const QColor &c);

} // namespace picgen::icon
