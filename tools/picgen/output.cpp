// Files other than the single pictures: the loading animation, the window icon, the
// resource list and writing the whole folder.

#include "app_icon.h"
#include "image_codecs.h"
#include "pictures.h"
#include "theme.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QSaveFile>
#include <QtMath>

#include <cmath>

namespace picgen {

QByteArray loading_animation()
{
    constexpr int side = 66;
    constexpr int dots = 12;
    constexpr int levels = 64; // shades of the accent over black; index 0 is transparent

    QVector<QRgb> palette;
    palette.append(qRgb(0, 0, 0));
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
    return encode_gif(frames, 8, 0, true);
}

QByteArray window_icon()
{
    QVector<QImage> sizes;
    for (int side : {16, 24, 32, 48, 64})
        sizes.append(draw_app_icon(side));
    return encode_ico(sizes);
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

// Every picture and the animation at one pixel ratio: 1 writes "name.png", 2 "name@2x.png".
bool write_pictures(const QDir &root, int ratio, QString *error)
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

    const QByteArray gif = loading_animation();
    if (gif.isEmpty())
        return fail(error, QStringLiteral("cannot encode the animation"));
    return write_bytes(root.filePath(named(QStringLiteral("load.gif"))), gif, error);
}

} // namespace

bool write_resources(const QString &out_dir, QString *error)
{
    const QDir root(out_dir);
    if (!write_pictures(root, 1, error) || !write_pictures(root, 2, error))
        return false;

    const QByteArray ico = window_icon();
    if (ico.isEmpty())
        return fail(error, QStringLiteral("cannot encode the icon"));
    return write_bytes(root.filePath(QStringLiteral("orv.ico")), ico, error)
        && write_bytes(root.filePath(QStringLiteral("resources.qrc")), resource_list(), error);
}

} // namespace picgen
