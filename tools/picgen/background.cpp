// The window background: every fixed caption and panel of the window, drawn around the
// places where the widgets sit (layout.h).

#include "layout.h"
#include "pictures.h"
#include "theme.h"

#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

#include <cmath>

namespace picgen {
namespace {

QRectF around(const QRect &r, qreal margin)
{
    return QRectF(r).adjusted(-margin, -margin, margin, margin);
}

void draw_base(QPainter &p)
{
    QLinearGradient g(0, 0, 0, layout::window.height());
    g.setColorAt(0.0, colour::background_top);
    g.setColorAt(1.0, colour::background_bottom);
    p.fillRect(QRect(QPoint(0, 0), layout::window), g);

    // A faint glow behind the settings side keeps the large dark areas from looking flat.
    QRadialGradient glow(QPointF(760, 300), 520);
    glow.setColorAt(0.0, QColor(255, 219, 10, 10));
    glow.setColorAt(1.0, QColor(255, 219, 10, 0));
    p.fillRect(QRect(QPoint(0, 0), layout::window), glow);
}

void draw_header(QPainter &p, const Captions &text)
{
    const QRectF bar(0, 0, layout::window.width(), 74);
    QLinearGradient g(bar.topLeft(), bar.bottomLeft());
    g.setColorAt(0.0, QColor(36, 40, 47));
    g.setColorAt(1.0, QColor(22, 24, 29));
    p.fillRect(bar, g);
    QLinearGradient rule(0, 0, layout::window.width(), 0);
    rule.setColorAt(0.0, colour::accent);
    rule.setColorAt(0.55, QColor(255, 219, 10, 60));
    rule.setColorAt(1.0, QColor(255, 219, 10, 0));
    p.fillRect(QRectF(0, 73, layout::window.width(), 2), rule);

    // Product mark: the name with a slanted accent bar, like a badge on a dashboard.
    QPainterPath slash;
    slash.moveTo(14, 54);
    slash.lineTo(21, 24);
    slash.lineTo(27, 24);
    slash.lineTo(20, 54);
    slash.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(colour::accent);
    p.drawPath(slash);
    draw_fitted(p, QRectF(28, 20, layout::device.left() - 8 - 28, 40), QStringLiteral("ORV"), 29, true,
               Qt::white, Qt::AlignLeft | Qt::AlignVCenter, 20);

    // Display slot for the device picture and the language selector.
    draw_well(p, around(layout::device, 3), 8);
    draw_well(p, around(layout::language, 2), 6);

    draw_fitted(p, QRectF(520, layout::indication.top(), layout::indication.left() - 10 - 520, 32),
               text.indication, 16, true, colour::title, Qt::AlignRight | Qt::AlignVCenter, 11);
}

void draw_vehicle_panel(QPainter &p, const Captions &text)
{
    draw_panel(p, QRectF(8, 80, 484, 90), text.installed_vehicle);
    // Two fine rules frame the vehicle text lines without touching them.
    p.setPen(QPen(QColor(255, 255, 255, 18), 1));
    p.drawLine(QPointF(24, 136.5), QPointF(476, 136.5));
}

void draw_selection_panel(QPainter &p, const Captions &text)
{
    draw_panel(p, QRectF(8, 174, 484, 278), QString());
    const QRect combos[3] = {layout::brand, layout::model, layout::engine};
    for (int i = 0; i < 3; ++i) {
        const QRect &c = combos[i];
        draw_well(p, around(c, 2), 5);
        // Step numbers lead the eye through brand, model and engine.
        const QPointF centre(58, c.center().y() + 0.5);
        p.setPen(QPen(colour::accent, 1.6));
        p.setBrush(QColor(255, 219, 10, 28));
        p.drawEllipse(centre, 12, 12);
        p.setFont(sans_font(14, true));
        p.setPen(colour::accent);
        p.drawText(QRectF(centre.x() - 12, centre.y() - 12, 24, 24), Qt::AlignCenter, QString::number(i + 1));
        if (i < 2) {
            p.setPen(QPen(QColor(255, 219, 10, 70), 1.2, Qt::DotLine));
            p.drawLine(QPointF(centre.x(), centre.y() + 15), QPointF(centre.x(), centre.y() + 30));
        }
    }
    draw_well(p, QRectF(layout::configs_left).adjusted(-5, 2, 4, -2), 5);
    draw_fitted(p, QRectF(30, layout::configs_left.top(), layout::configs_left.left() - 12 - 30, layout::configs_left.height()),
               text.configs_left, 15, false, colour::caption, Qt::AlignRight | Qt::AlignVCenter, 10);
}

void draw_drive_mode_area(QPainter &p)
{
    // Only a faint tachometer behind the mode buttons: the area stays empty for devices
    // without drive modes, and the caption picture provides the heading when it is shown.
    const QPointF centre(254, 690);
    p.save();
    for (int i = 0; i <= 30; ++i) {
        const qreal angle = 200 - i * (220.0 / 30);
        const qreal rad = qDegreesToRadians(angle);
        const qreal outer = 200;
        const qreal inner = i % 5 == 0 ? 186 : 193;
        const QPointF dir(std::cos(rad), -std::sin(rad));
        const int alpha = i >= 24 ? 60 : 26;
        p.setPen(QPen(i >= 24 ? QColor(230, 60, 40, alpha) : QColor(255, 255, 255, alpha), i % 5 == 0 ? 2 : 1));
        p.drawLine(centre + dir * inner, centre + dir * outer);
    }
    p.setPen(QPen(QColor(255, 255, 255, 16), 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, 205, 205);
    p.restore();
}

void draw_connector(QPainter &p)
{
    const QRect first = layout::pin(1);
    const QRect last = layout::pin(16);
    const qreal top = first.top() - 22;
    const qreal bottom = last.bottom() + 23;
    const qreal left = first.left() - 18;
    const qreal right = last.right() + 19;
    QPainterPath body;
    body.moveTo(left + 4, top);
    body.lineTo(right - 4, top);
    body.quadTo(right + 1, top, right, top + 5);
    body.lineTo(right - 11, bottom - 4);
    body.quadTo(right - 12, bottom, right - 16, bottom);
    body.lineTo(left + 16, bottom);
    body.quadTo(left + 12, bottom, left + 11, bottom - 4);
    body.lineTo(left, top + 5);
    body.quadTo(left - 1, top, left + 4, top);
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0.0, QColor(56, 60, 67));
    g.setColorAt(1.0, QColor(30, 32, 37));
    p.setPen(QPen(QColor(118, 124, 134), 1.5));
    p.setBrush(g);
    p.drawPath(body);

    for (int n = 1; n <= 16; ++n) {
        const QRectF pin = QRectF(layout::pin(n));
        p.setPen(QPen(QColor(14, 15, 17), 1));
        p.setBrush(QColor(18, 19, 22));
        p.drawRoundedRect(pin.adjusted(0.5, 0.5, -0.5, -0.5), 2.5, 2.5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(150, 156, 166));
        p.drawRoundedRect(QRectF(pin.center().x() - 2.5, pin.center().y() - 3.5, 5, 7), 1.2, 1.2);

        const bool upper = n <= 8;
        const QRectF number(pin.left() - 4, upper ? pin.top() - 15 : pin.bottom() + 1, pin.width() + 8, 13);
        p.setFont(sans_font(n >= 10 ? 9 : 10, true));
        p.setPen(QColor(196, 202, 210));
        p.drawText(number, Qt::AlignCenter, QString::number(n));
    }
}

void draw_settings_panel(QPainter &p, const Captions &text)
{
    const QRectF panel(508, 80, 484, 260);
    draw_panel(p, panel, text.protocol);

    draw_fitted(p, QRectF(layout::auto_protocol.right() + 7, layout::auto_protocol.top() - 3, 190, 24),
               text.automatic, 15, false, colour::caption, Qt::AlignLeft | Qt::AlignVCenter, 10);
    draw_well(p, around(layout::protocol, 2), 5);

    // Colour key of the connector pins under the protocol list.
    const qreal key_y = layout::protocol.bottom() + 8;
    qreal x = layout::protocol.left() + 2;
    const QString keys[2] = {text.pin_selected, text.pin_active};
    const QColor key_colours[2] = {colour::pin_red, colour::pin_yellow};
    for (int i = 0; i < 2; ++i) {
        p.setPen(QPen(key_colours[i].darker(160), 1));
        p.setBrush(key_colours[i]);
        p.drawRoundedRect(QRectF(x + 0.5, key_y + 3.5, 10, 10), 2, 2);
        const qreal w = qMin<qreal>(text_width(keys[i], 12, false), 96);
        draw_fitted(p, QRectF(x + 16, key_y, w + 1, 17), keys[i], 12, false, colour::caption,
                   Qt::AlignLeft | Qt::AlignVCenter, 9);
        x += 16 + w + 18;
    }
    draw_connector(p);

    p.setPen(QPen(colour::panel_border, 1));
    p.drawLine(QPointF(panel.left() + 12, 210.5), QPointF(panel.right() - 12, 210.5));
    p.setPen(Qt::NoPen);
    p.setBrush(colour::accent);
    p.drawRoundedRect(QRectF(panel.left() + 10.5, 220, 3, 13), 1.5, 1.5);
    draw_fitted(p, QRectF(panel.left() + 19.5, 215, 300, 22), text.standby, 14, true, colour::title,
               Qt::AlignLeft | Qt::AlignVCenter, 10);
    draw_fitted(p, QRectF(layout::auto_standby.right() + 9, layout::auto_standby.top() - 3,
                         layout::standby.left() - 8 - (layout::auto_standby.right() + 9), 24),
               text.automatic, 15, false, colour::caption, Qt::AlignLeft | Qt::AlignVCenter, 10);
}

void draw_error_panel(QPainter &p, const Captions &text)
{
    draw_panel(p, QRectF(508, 346, 484, 122), text.errors);
    draw_well(p, around(layout::errors, 2), 6);
}

void draw_info_panel(QPainter &p, const Captions &text)
{
    draw_panel(p, QRectF(508, 474, 484, 170), text.device_info);
    struct Row {
        const QString &caption;
        QRect label;
    };
    const Row rows[] = {
        {text.serial_number, layout::serial_number}, {text.firmware, layout::firmware},
        {text.hardware, layout::hardware},         {text.software, layout::software},
        {text.protocol_info, layout::protocol_info}, {text.standby_info, layout::standby_info},
    };
    // One size for the whole column, the largest at which every caption fits its room.
    const qreal left = 514;
    qreal size = 14;
    for (const Row &row : rows)
        size = qMin(size, fitting_size(row.caption, row.label.left() - 8 - left, 14, false, 10));
    for (const Row &row : rows) {
        // Same height and vertical centring as the value label, so caption and value share
        // one baseline; the caption ends a few pixels before the value starts.
        const QRectF room(left, row.label.top(), row.label.left() - 8 - left, row.label.height());
        draw_fitted(p, room, row.caption, size, false, colour::caption, Qt::AlignRight | Qt::AlignVCenter, 10);
    }
    p.setPen(QPen(colour::panel_border, 1));
    p.drawLine(QPointF(layout::update_firmware.left() - 12.5, 500), QPointF(layout::update_firmware.left() - 12.5, 612));
}

} // namespace

QImage draw_background(const Captions &text)
{
    QImage img = opaque_image(layout::window.width(), layout::window.height());
    QPainter p(&img);
    prepare(p);
    draw_base(p);
    draw_header(p, text);
    draw_vehicle_panel(p, text);
    draw_selection_panel(p, text);
    draw_drive_mode_area(p);
    draw_settings_panel(p, text);
    draw_error_panel(p, text);
    draw_info_panel(p, text);
    return img;
}

} // namespace picgen
