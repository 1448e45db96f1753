// Files other than the single pictures: the loading animation's frames, the window icon's
// sizes, the resource list, the desktop icon and writing the whole folder.

#include "app_icon.h"
#include "pictures.h"
#include "theme.h"

#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <QSaveFile>
#include <QtMath>

#include <cmath>

namespace picgen {

namespace {
constexpr int animation_side = 66;
} // namespace

QVector<QImage> loading_animation()
{
    constexpr int side = animation_side;
    constexpr int dots = 12;
    constexpr int levels = 64; // shades of the accent over black; index 0 is transparent

    QVector<QRgb> palette;
    palette.append(qRgba(0, 0, 0, 0));
    for (int i = 1; i < levels; ++i) {
        const qreal t = qreal(i) / (levels - 1);
        palette.append(qRgb(qRound(colour::accent.red() * t), qRound(colour::accent.green() * t),
                            qRound(colour::accent.blue() * t)));
    }

    QVector<QImage> frames;
    for (int frame = 0; frame < dots; ++frame) {
        const QImage canvas = draw_picture(side, side, [&](QPainter &p) {
            p.setPen(Qt::NoPen);
            for (int d = 0; d < dots; ++d) {
                // The lead dot is full bright, the ones behind it fade out like a tail.
                const int age = (frame - d + dots) % dots;
                const qreal strength = qMax(0.16, 1.0 - age * 0.12);
                const qreal angle = qDegreesToRadians(90.0 - d * 360.0 / dots);
                const QPointF centre(side / 2.0 + 23 * std::cos(angle), side / 2.0 - 23 * std::sin(angle));
                QColor c = colour::accent;
                c.setAlphaF(strength);
                p.setBrush(c);
                p.drawEllipse(centre, 4.6 - age * 0.12, 4.6 - age * 0.12);
            }
        });
        // The animation sits on an almost black cover, so partial coverage becomes a darker
        // shade of the accent and only untouched pixels are transparent.
        QImage indexed(canvas.size(), QImage::Format_Indexed8);
        indexed.setColorTable(palette);
        for (int y = 0; y < canvas.height(); ++y) {
            const QRgb *src = reinterpret_cast<const QRgb *>(canvas.constScanLine(y));
            uchar *dst = indexed.scanLine(y);
            for (int x = 0; x < canvas.width(); ++x)
                dst[x] = uchar(qRound(qAlpha(src[x]) * (levels - 1) / 255.0));
        }
        frames.append(indexed);
    }
    return frames;
}

QVector<QImage> window_icon()
{
    QVector<QImage> sizes;
    for (int side : {16, 24, 32, 48, 64})
        sizes.append(draw_app_icon(side));
    return sizes;
}

QString double_density_name(const QString &file)
{
    const int dot = file.lastIndexOf(QLatin1Char('.'));
    return file.left(dot) + QLatin1String("@2x") + file.mid(dot);
}

QByteArray resource_list()
{
    QByteArray out("<RCC>\n  <qresource prefix=\"/\">\n");
    const auto add = [&out](const QString &path) {
        out += "    <file>" + path.toUtf8() + "</file>\n";
    };
    for (const Captions &text : all_captions())
        for (const PictureFile &entry : language_pictures()) {
            add(text.folder + QLatin1Char('/') + entry.file);
            add(text.folder + QLatin1Char('/') + double_density_name(entry.file));
        }
    for (const PictureFile &entry : common_pictures()) {
        add(QStringLiteral("all/") + entry.file);
        add(QStringLiteral("all/") + double_density_name(entry.file));
    }
    add(QStringLiteral("load.gif"));
    add(QStringLiteral("orv.ico"));
    add(QStringLiteral("load@2x.gif"));
    out += "  </qresource>\n</RCC>\n";
    return out;
}

namespace {

// Sets the error text, where one is asked for; always false.
bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

bool write_bytes(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return fail(error, QStringLiteral("cannot write %1").arg(path));
    return true;
}

bool write_png(const QString &path, const QImage &img, const QSize &expected, QString *error)
{
    if (img.size() != expected)
        return fail(error, QStringLiteral("%1 drawn at the wrong size").arg(path));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setCompression(100); // 0 to 100 in Qt 5.15; 100 is zlib level 9
    // Opaque pictures are stored without alpha; the others as plain (unpremultiplied) RGBA.
    const QImage out = img.hasAlphaChannel() ? img.convertToFormat(QImage::Format_ARGB32)
                                             : img.convertToFormat(QImage::Format_RGB32);
    if (!writer.write(out))
        return fail(error, QStringLiteral("cannot encode %1: %2").arg(path, writer.errorString()));
    return write_bytes(path, buffer.data(), error);
}

// Every picture and the animation's frames at one pixel ratio: 1 writes "name.png" and
// "load-00.png"..., 2 "name@2x.png" and "load@2x-00.png"...
bool write_pictures(const QDir &root, const QDir &work, int ratio, QString *error)
{
    const PixelRatioScope scope(ratio);
    const auto named = [ratio](const QString &file) { return ratio == 1 ? file : double_density_name(file); };
    for (const Captions &text : all_captions()) {
        if (!root.mkpath(text.folder))
            return fail(error, QStringLiteral("cannot create %1").arg(root.filePath(text.folder)));
        for (const PictureFile &entry : language_pictures())
            if (!write_png(root.filePath(text.folder + QLatin1Char('/') + named(entry.file)),
                          entry.draw(text), entry.size * ratio, error))
                return false;
    }
    if (!root.mkpath(QStringLiteral("all")))
        return fail(error, QStringLiteral("cannot create %1").arg(root.filePath(QStringLiteral("all"))));
    for (const PictureFile &entry : common_pictures())
        if (!write_png(root.filePath(QStringLiteral("all/") + named(entry.file)), entry.draw(Captions()),
                      entry.size * ratio, error))
            return false;

    const QVector<QImage> frames = loading_animation();
    const QSize frame_size = QSize(animation_side, animation_side) * ratio;
    for (int i = 0; i < frames.size(); ++i) {
        const QString file = named(QStringLiteral("load.gif")).chopped(4) + QStringLiteral("-%1.png");
        if (!write_png(work.filePath(file.arg(i, 2, 10, QLatin1Char('0'))), frames.at(i), frame_size, error))
            return false;
    }
    return true;
}

} // namespace

bool write_hicolor_icons(const QString &out_dir, const QString &name, QString *error)
{
    for (int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(out_dir).arg(side);
        if (!QDir().mkpath(folder))
            return fail(error, QStringLiteral("cannot create %1").arg(folder));
        if (!write_png(folder + QLatin1Char('/') + name + QStringLiteral(".png"), draw_app_icon(side),
                       QSize(side, side), error))
            return false;
    }
    return true;
}

bool write_resources(const QString &out_dir, const QString &work_dir, QString *error)
{
    const QDir root(out_dir);
    const QDir work(work_dir);
    if (!work.mkpath(QStringLiteral(".")))
        return fail(error, QStringLiteral("cannot create %1").arg(work_dir));
    if (!write_pictures(root, work, 1, error) || !write_pictures(root, work, 2, error))
        return false;

    for (const QImage &icon : window_icon()) {
        const int side = icon.width();
        if (!write_png(work.filePath(QStringLiteral("orv-%1.png").arg(side)), icon, QSize(side, side), error))
            return false;
    }
    return write_bytes(root.filePath(QStringLiteral("resources.qrc")), resource_list(), error);
}

} // namespace picgen
