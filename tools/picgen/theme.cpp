#include "theme.h"

#include <QDir>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>

namespace picgen {

namespace {
const char *const font_family = "DejaVu Sans";
qreal current_ratio = 1;

QImage canvas(int w, int h, QImage::Format format)
{
    QImage img(qRound(w * current_ratio), qRound(h * current_ratio), format);
    // A painter on the image scales by this ratio, so drawing code keeps its own units.
    img.setDevicePixelRatio(current_ratio);
    return img;
}
} // namespace

PixelRatioScope::PixelRatioScope(qreal ratio) : previous(current_ratio)
{
    current_ratio = ratio;
}

PixelRatioScope::~PixelRatioScope()
{
    current_ratio = previous;
}

bool load_fonts(const QString &font_dir, QString *error)
{
    const QDir dir(font_dir);
    for (const char *file : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf"}) {
        const QString path = dir.filePath(QString::fromLatin1(file));
        const int id = QFontDatabase::addApplicationFont(path);
        if (id < 0 || !QFontDatabase::applicationFontFamilies(id).contains(QLatin1String(font_family))) {
            if (error)
                *error = QStringLiteral("cannot load font %1").arg(path);
            return false;
        }
    }
    return true;
}

QFont sans_font(qreal pixel_size, bool bold)
{
    QFont f(QString::fromLatin1(font_family));
    f.setPixelSize(qMax(1, qRound(pixel_size)));
    f.setBold(bold);
    // Hinting differs between font setups; without it the glyph shapes depend only on the
    // font file, which keeps regenerated pictures identical.
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

QImage transparent_image(int w, int h)
{
    QImage img = canvas(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

QImage opaque_image(int w, int h)
{
    return canvas(w, h, QImage::Format_RGB32);
}

void prepare(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

QImage draw_picture(int w, int h, const std::function<void(QPainter &)> &draw)
{
    QImage img = transparent_image(w, h);
    QPainter p(&img);
    prepare(p);
    draw(p);
    p.end();
    return img;
}

qreal text_width(const QString &text, qreal pixel_size, bool bold)
{
    return QFontMetricsF(sans_font(pixel_size, bold)).horizontalAdvance(text);
}

qreal fitting_size(const QString &text, qreal width, qreal pixel_size, bool bold, qreal min_pixel_size)
{
    qreal size = pixel_size;
    while (size > min_pixel_size && text_width(text, size, bold) > width)
        size -= 1; // whole pixel sizes: fractional ones are rounded by QFont anyway
    return size;
}

qreal draw_fitted(QPainter &p, const QRectF &rect, const QString &text, qreal pixel_size, bool bold,
                 const QColor &colour, int alignment, qreal min_pixel_size)
{
    const qreal size = fitting_size(text, rect.width(), pixel_size, bold, min_pixel_size);
    const qreal width = text_width(text, size, bold);
    const qreal squeeze = width > rect.width() ? rect.width() / width : 1.0;

    p.save();
    p.setFont(sans_font(size, bold));
    p.setPen(colour);
    if (squeeze < 1.0) {
        // Narrow the text about the rectangle's own anchor so the alignment still holds.
        qreal anchor_x = rect.left();
        if (alignment & Qt::AlignRight)
            anchor_x = rect.right();
        else if (alignment & Qt::AlignHCenter)
            anchor_x = rect.center().x();
        p.translate(anchor_x, 0);
        p.scale(squeeze, 1.0);
        p.translate(-anchor_x, 0);
        QRectF wide = rect;
        const qreal extra = rect.width() / squeeze - rect.width();
        if (alignment & Qt::AlignRight)
            wide.setLeft(rect.left() - extra);
        else if (alignment & Qt::AlignHCenter)
            wide.adjust(-extra / 2, 0, extra / 2, 0);
        else
            wide.setRight(rect.right() + extra);
        p.drawText(wide, alignment | Qt::TextSingleLine, text);
    } else {
        p.drawText(rect, alignment | Qt::TextSingleLine, text);
    }
    p.restore();
    return size;
}

QColor button_text_colour(Look look)
{
    switch (look) {
    case Look::On:
        return colour::on_text;
    case Look::Pressed:
        return QColor(40, 30, 0);
    case Look::Off:
        break;
    }
    return colour::off_text;
}

void draw_button_face(QPainter &p, const QRectF &rect, Look look, qreal radius)
{
    p.save();
    const QRectF r = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    QColor border;
    switch (look) {
    case Look::On:
        g.setColorAt(0.0, QColor(255, 236, 110));
        g.setColorAt(0.45, colour::accent);
        g.setColorAt(1.0, colour::accent_deep);
        border = QColor(255, 244, 170);
        break;
    case Look::Pressed:
        g.setColorAt(0.0, QColor(112, 80, 0));
        g.setColorAt(0.35, colour::accent_pressed);
        g.setColorAt(1.0, QColor(178, 128, 0));
        border = QColor(90, 64, 0);
        break;
    case Look::Off:
        g.setColorAt(0.0, colour::off_top);
        g.setColorAt(1.0, colour::off_bottom);
        border = QColor(78, 83, 91);
        break;
    }
    p.setPen(QPen(border, 1));
    p.setBrush(g);
    p.drawRoundedRect(r, radius, radius);

    if (look == Look::Pressed) {
        // A shadow along the top edge makes the face look pushed into the panel.
        QPainterPath clip;
        clip.addRoundedRect(r, radius, radius);
        p.setClipPath(clip);
        QLinearGradient shade(r.topLeft(), r.topLeft() + QPointF(0, 7));
        shade.setColorAt(0.0, QColor(0, 0, 0, 150));
        shade.setColorAt(1.0, QColor(0, 0, 0, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(shade);
        p.drawRect(r);
    } else {
        // A thin highlight under the top edge gives the raised faces some depth.
        p.setPen(QPen(look == Look::On ? QColor(255, 250, 210, 170) : QColor(255, 255, 255, 30), 1));
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(r.left() + radius, r.top() + 1.5), QPointF(r.right() - radius, r.top() + 1.5));
    }
    p.restore();
}

void draw_well(QPainter &p, const QRectF &rect, qreal radius)
{
    p.save();
    const QRectF r = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(QColor(52, 56, 63), 1));
    p.setBrush(colour::well);
    p.drawRoundedRect(r, radius, radius);
    p.restore();
}

void draw_panel(QPainter &p, const QRectF &rect, const QString &title)
{
    p.save();
    const QRectF r = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0.0, QColor(255, 255, 255, 14));
    g.setColorAt(1.0, QColor(255, 255, 255, 5));
    p.setPen(QPen(colour::panel_border, 1));
    p.setBrush(g);
    p.drawRoundedRect(r, 8, 8);
    if (!title.isEmpty()) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour::accent);
        p.drawRoundedRect(QRectF(r.left() + 10, r.top() + 9, 3, 13), 1.5, 1.5);
        draw_fitted(p, QRectF(r.left() + 19, r.top() + 4, r.width() - 30, 22), title, 14, true,
                   colour::title, Qt::AlignLeft | Qt::AlignVCenter, 10);
    }
    p.restore();
}

} // namespace picgen
