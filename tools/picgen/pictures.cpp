#include "pictures.h"

#include "icons.h"
#include "theme.h"

namespace picgen {

namespace {

using IconFn = std::function<void(QPainter &, const QRectF &, const QColor &)>;

QImage text_button(int w, int h, Look look, const QString &text, qreal pixel_size, const IconFn &draw_icon = {})
{
    return draw_picture(w, h, [&](QPainter &p) {
        const QRectF face(0, 0, w, h);
        draw_button_face(p, face, look);
        const QColor ink = button_text_colour(look);
        // A pressed face shifts its content down and right like a key that gives way.
        const QPointF shift = look == Look::Pressed ? QPointF(1, 1) : QPointF(0, 0);
        QRectF text_rect = face.adjusted(8, 0, -8, 0).translated(shift);
        if (draw_icon) {
            const qreal icon_side = h * 0.5;
            draw_icon(p, QRectF(QPointF(12, (h - icon_side) / 2) + shift, QSizeF(icon_side, icon_side)), ink);
            text_rect.setLeft(12 + icon_side + 4 + shift.x());
            text_rect.setRight(w - 12 - icon_side / 2 + shift.x());
        }
        draw_fitted(p, text_rect, text, pixel_size, true, ink, Qt::AlignCenter, 10);
    });
}

QImage icon_button(int w, int h, Look look, const IconFn &first, const IconFn &second)
{
    return draw_picture(w, h, [&](QPainter &p) {
        draw_button_face(p, QRectF(0, 0, w, h), look, 6);
        const QColor ink = button_text_colour(look);
        const qreal side = h - 10;
        if (second) {
            first(p, QRectF(w / 2.0 - side - 4, 5, side, side), ink);
            second(p, QRectF(w / 2.0 + 4, 5, side, side), ink);
        } else {
            first(p, QRectF((w - side) / 2, 5, side, side), ink);
        }
    });
}

enum class Lit { Left, Right, None };

// Two-segment switch; the segments sit under the two click areas that the window places
// over the picture (about x 4..84 and 88..168 of the picture).
QImage segment_switch(const QString &left, const QString &right, Lit lit)
{
    return draw_picture(169, 32, [&](QPainter &p) {
        draw_well(p, QRectF(0, 0, 169, 32), 8);
        const QRectF segments[2] = {QRectF(3, 3, 81, 26), QRectF(87, 3, 79, 26)};
        const QString labels[2] = {left, right};
        for (int i = 0; i < 2; ++i) {
            const bool on = (i == 0 && lit == Lit::Left) || (i == 1 && lit == Lit::Right);
            QColor ink;
            if (on) {
                draw_button_face(p, segments[i], Look::On, 6);
                ink = colour::on_text;
            } else {
                ink = lit == Lit::None ? QColor(78, 83, 91) : colour::off_text;
            }
            draw_fitted(p, segments[i], labels[i], 15, true, ink, Qt::AlignCenter, 10);
        }
        // Divider between the segments, only where neither is lit so it never cuts a lit face.
        if (lit == Lit::None) {
            p.setPen(QPen(QColor(52, 56, 63), 1));
            p.drawLine(QPointF(85.5, 8), QPointF(85.5, 24));
        }
    });
}

QImage checkbox(bool checked)
{
    return draw_picture(21, 18, [&](QPainter &p) {
        const QRectF box(2.5, 1.5, 15, 15);
        if (checked) {
            draw_button_face(p, box.adjusted(-0.5, -0.5, 0.5, 0.5), Look::On, 3);
            p.setPen(QPen(colour::on_text, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(QPolygonF({QPointF(6, 9), QPointF(9, 12), QPointF(14.5, 5.5)}));
        } else {
            p.setPen(QPen(QColor(128, 134, 144), 1.2));
            p.setBrush(colour::well);
            p.drawRoundedRect(box, 3, 3);
        }
    });
}

QImage pin_square(const QColor &c)
{
    return draw_picture(16, 16, [&](QPainter &p) {
        QLinearGradient g(0, 0, 0, 16);
        g.setColorAt(0.0, c.lighter(135));
        g.setColorAt(1.0, c.darker(115));
        p.setPen(QPen(c.darker(170), 1));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 2.5, 2.5);
        p.setPen(QPen(QColor(255, 255, 255, 120), 1));
        p.drawLine(QPointF(3, 2.5), QPointF(13, 2.5));
    });
}

QImage model_badge(bool plus)
{
    return draw_picture(223, 40, [&](QPainter &p) {
        const QString name = QStringLiteral("OR");
        const qreal name_size = 27;
        const qreal name_width = text_width(name, name_size, true);
        const qreal plus_width = plus ? text_width(QStringLiteral("+"), name_size, true) : 0;
        const qreal icon_side = 30;
        const qreal total = icon_side + 12 + name_width + plus_width;
        qreal x = (223 - total) / 2;
        icon::obd_connector(p, QRectF(x, 5, icon_side, icon_side), colour::accent);
        x += icon_side + 12;
        p.setFont(sans_font(name_size, true));
        p.setPen(Qt::white);
        p.drawText(QRectF(x, 0, name_width + 2, 40), Qt::AlignLeft | Qt::AlignVCenter, name);
        if (plus) {
            p.setPen(colour::accent);
            p.drawText(QRectF(x + name_width, 0, plus_width + 2, 40), Qt::AlignLeft | Qt::AlignVCenter,
                       QStringLiteral("+"));
        }
    });
}

QImage no_device(const QString &text)
{
    return draw_picture(293, 40, [&](QPainter &p) {
        icon::plug(p, QRectF(12, 9, 22, 22), QColor(200, 90, 70), true);
        draw_fitted(p, QRectF(42, 0, 293 - 50, 40), text, 16, false, colour::off_text, Qt::AlignCenter, 10);
    });
}

QImage no_vehicle(const QString &text)
{
    return draw_picture(250, 20, [&](QPainter &p) {
        draw_fitted(p, QRectF(0, 0, 250, 20), text, 14, false, colour::off_text, Qt::AlignCenter, 9);
    });
}

// A heading with fading rules on both sides, used for the captions that head an area.
QImage heading(int w, int h, const QString &text, qreal pixel_size)
{
    return draw_picture(w, h, [&](QPainter &p) {
        const qreal used = draw_fitted(p, QRectF(0, 0, w, h), text, pixel_size, true, colour::title,
                                      Qt::AlignCenter, 10);
        const qreal half = qMin<qreal>(text_width(text, used, true), w) / 2;
        const qreal cy = h / 2.0 + 0.5;
        const qreal inner = 12;
        if (w / 2.0 - half - inner > 12) {
            QLinearGradient left(0, 0, w / 2.0 - half - inner, 0);
            left.setColorAt(0.0, QColor(255, 219, 10, 0));
            left.setColorAt(1.0, QColor(255, 219, 10, 200));
            p.setPen(QPen(QBrush(left), 2));
            p.drawLine(QPointF(4, cy), QPointF(w / 2.0 - half - inner, cy));
            QLinearGradient right(w / 2.0 + half + inner, 0, w, 0);
            right.setColorAt(0.0, QColor(255, 219, 10, 200));
            right.setColorAt(1.0, QColor(255, 219, 10, 0));
            p.setPen(QPen(QBrush(right), 2));
            p.drawLine(QPointF(w / 2.0 + half + inner, cy), QPointF(w - 4, cy));
        }
    });
}

QImage no_errors(const QString &text)
{
    return draw_picture(221, 71, [&](QPainter &p) {
        const qreal size = 17;
        const qreal icon_side = 26;
        const qreal width = qMin<qreal>(text_width(text, size, true), 221 - icon_side - 30);
        const qreal x = (221 - (icon_side + 10 + width)) / 2;
        icon::check_circle(p, QRectF(x, (71 - icon_side) / 2, icon_side, icon_side), colour::good);
        draw_fitted(p, QRectF(x + icon_side + 10, 0, width + 1, 71), text, size, true, colour::good,
                   Qt::AlignLeft | Qt::AlignVCenter, 10);
    });
}

} // namespace

QVector<PictureFile> language_pictures()
{
    using T = const Captions &;
    return {
        {"main.png", {1000, 650}, draw_background},
        {"no_device.png", {293, 40}, [](T t) { return no_device(t.no_device); }},
        {"no_vehicle.png", {250, 20}, [](T t) { return no_vehicle(t.no_vehicle); }},
        {"text_select_vehicle.png", {330, 32}, [](T t) { return heading(330, 32, t.select_vehicle, 18); }},
        {"text_select_new_vehicle.png", {330, 32},
         [](T t) { return heading(330, 32, t.select_new_vehicle, 18); }},
        {"drive_modes.png", {454, 40}, [](T t) { return heading(454, 40, t.drive_modes, 19); }},
        {"no_errors.png", {221, 71}, [](T t) { return no_errors(t.no_errors); }},
        {"apply_car_on.png", {160, 36}, [](T t) { return text_button(160, 36, Look::On, t.apply_car, 15); }},
        {"apply_car_off.png", {160, 36},
         [](T t) { return text_button(160, 36, Look::Off, t.apply_car, 15); }},
        {"apply_car_press.png", {160, 36},
         [](T t) { return text_button(160, 36, Look::Pressed, t.apply_car, 15); }},
        {"apply_settings_on.png", {160, 36},
         [](T t) { return text_button(160, 36, Look::On, t.apply_settings, 15); }},
        {"apply_settings_off.png", {160, 36},
         [](T t) { return text_button(160, 36, Look::Off, t.apply_settings, 15); }},
        {"send_errors_off.png", {194, 28},
         [](T t) { return text_button(194, 28, Look::Off, t.send_errors, 13, icon::upload); }},
        {"clear_errors_off.png", {194, 28},
         [](T t) { return text_button(194, 28, Look::Off, t.clear_errors, 13, icon::eraser); }},
    };
}

QVector<PictureFile> common_pictures()
{
    using T = const Captions &;
    return {
        {"dynamic_on.png", {172, 37},
         [](T) { return text_button(172, 37, Look::On, "DYNAMIC", 16, icon::chevrons); }},
        {"dynamic_off.png", {172, 37},
         [](T) { return text_button(172, 37, Look::Off, "DYNAMIC", 16, icon::chevrons); }},
        {"eco_on.png", {172, 37}, [](T) { return text_button(172, 37, Look::On, "ECO", 16, icon::leaf); }},
        {"eco_off.png", {172, 37}, [](T) { return text_button(172, 37, Look::Off, "ECO", 16, icon::leaf); }},
        {"stock_on.png", {172, 37},
         [](T) { return text_button(172, 37, Look::On, "STOCK", 16, icon::gauge); }},
        {"stock_off.png", {172, 37},
         [](T) { return text_button(172, 37, Look::Off, "STOCK", 16, icon::gauge); }},
        {"indication_on.png", {169, 32}, [](T) { return segment_switch("OFF", "ON", Lit::Right); }},
        {"indication_off.png", {169, 32}, [](T) { return segment_switch("OFF", "ON", Lit::Left); }},
        {"indication_no.png", {169, 32}, [](T) { return segment_switch("OFF", "ON", Lit::None); }},
        {"stby_u.png", {169, 32}, [](T) { return segment_switch("U", "S", Lit::Left); }},
        {"stby_s.png", {169, 32}, [](T) { return segment_switch("U", "S", Lit::Right); }},
        {"stby_no.png", {169, 32}, [](T) { return segment_switch("U", "S", Lit::None); }},
        {"checkbox_on.png", {21, 18}, [](T) { return checkbox(true); }},
        {"checkbox_off.png", {21, 18}, [](T) { return checkbox(false); }},
        {"red.png", {16, 16}, [](T) { return pin_square(colour::pin_red); }},
        {"yellow.png", {16, 16}, [](T) { return pin_square(colour::pin_yellow); }},
        {"OR.png", {223, 40}, [](T) { return model_badge(false); }},
        {"OR+.png", {223, 40}, [](T) { return model_badge(true); }},
        {"custom_off.png", {150, 30}, [](T) { return icon_button(150, 30, Look::Off, icon::sliders, {}); }},
        {"custom_on.png", {150, 30}, [](T) { return icon_button(150, 30, Look::On, icon::sliders, {}); }},
        {"update_firmware_off.png", {150, 30},
         [](T) { return icon_button(150, 30, Look::Off, icon::chip, icon::refresh_arrow); }},
        {"update_firmware_on.png", {150, 30},
         [](T) { return icon_button(150, 30, Look::On, icon::chip, icon::refresh_arrow); }},
        {"update_software_off.png", {150, 30},
         [](T) { return icon_button(150, 30, Look::Off, icon::car, icon::refresh_arrow); }},
        {"update_software_on.png", {150, 30},
         [](T) { return icon_button(150, 30, Look::On, icon::car, icon::refresh_arrow); }},
    };
}

} // namespace picgen
