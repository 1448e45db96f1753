// Files other than the single pictures: the loading animation, the window icon, the
// resource list, writing the whole folder, and the composed previews.

#include "app_icon.h"
#include "image_codecs.h"
#include "layout.h"
#include "pictures.h"
#include "theme.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QSaveFile>
#include <QtMath>

#include <cmath>
#include <functional>

namespace picgen {

QByteArray loadingAnimation()
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
        QImage canvas = transparentImage(side, side);
        {
            QPainter p(&canvas);
            prepare(p);
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
        }
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
    return encodeGif(frames, 8, 0, true);
}

QByteArray windowIcon()
{
    QVector<QImage> sizes;
    for (int side : {16, 24, 32, 48, 64})
        sizes.append(drawAppIcon(side));
    return encodeIco(sizes);
}

QString doubleDensityName(const QString &file)
{
    const int dot = file.lastIndexOf(QLatin1Char('.'));
    return file.left(dot) + QLatin1String("@2x") + file.mid(dot);
}

QByteArray resourceList()
{
    QByteArray out("<RCC>\n  <qresource prefix=\"/\">\n");
    const auto add = [&out](const QString &path) {
        out += "    <file>" + path.toUtf8() + "</file>\n";
    };
    for (const Captions &text : allCaptions())
        for (const PictureFile &entry : languagePictures()) {
            add(text.folder + QLatin1Char('/') + entry.file);
            add(text.folder + QLatin1Char('/') + doubleDensityName(entry.file));
        }
    for (const PictureFile &entry : commonPictures()) {
        add(QStringLiteral("all/") + entry.file);
        add(QStringLiteral("all/") + doubleDensityName(entry.file));
    }
    add(QStringLiteral("load.gif"));
    add(QStringLiteral("orv.ico"));
    add(QStringLiteral("load@2x.gif"));
    out += "  </qresource>\n</RCC>\n";
    return out;
}

namespace {

bool writeBytes(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    return true;
}

bool writePng(const QString &path, const QImage &img, const QSize &expected, QString *error)
{
    if (img.size() != expected) {
        if (error)
            *error = QStringLiteral("%1 drawn at the wrong size").arg(path);
        return false;
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setCompression(100); // 0 to 100 in Qt 5.15; 100 is zlib level 9
    // Opaque pictures are stored without alpha; the others as plain (unpremultiplied) RGBA.
    const QImage out = img.hasAlphaChannel() ? img.convertToFormat(QImage::Format_ARGB32)
                                             : img.convertToFormat(QImage::Format_RGB32);
    if (!writer.write(out)) {
        if (error)
            *error = QStringLiteral("cannot encode %1: %2").arg(path, writer.errorString());
        return false;
    }
    return writeBytes(path, buffer.data(), error);
}

using PictureSource = std::function<QImage(const QString &relativePath)>;

QImage drawnPicture(const QString &relativePath)
{
    const QString folder = relativePath.section(QLatin1Char('/'), 0, 0);
    const QString file = relativePath.section(QLatin1Char('/'), 1);
    if (folder == QLatin1String("all"))
        return drawCommonPicture(file);
    for (const Captions &text : allCaptions())
        if (text.folder == folder)
            return drawLanguagePicture(text, file);
    return {};
}

// Draws a picture the way a label or button with an "image" style shows it: centred, and
// scaled down (never up) when it is larger than the widget.
void paste(QPainter &p, const QImage &img, const QRect &widget)
{
    if (img.isNull())
        return;
    QSize shown = img.size();
    if (shown.width() > widget.width() || shown.height() > widget.height())
        shown.scale(widget.size(), Qt::KeepAspectRatio);
    const QPoint at(widget.left() + (widget.width() - shown.width()) / 2,
                    widget.top() + (widget.height() - shown.height()) / 2);
    p.drawImage(QRect(at, shown), img);
}

void dataText(QPainter &p, const QRect &widget, const QString &s, qreal pixelSize, bool bold, const QColor &c,
              int alignment)
{
    p.setFont(sansFont(pixelSize, bold));
    p.setPen(c);
    p.drawText(widget, alignment, s);
}

// Stands in for a styled combo box: black field, yellow text, the drop-down arrow.
void comboBox(QPainter &p, const QRect &widget, const QString &s, qreal pixelSize, int alignment)
{
    p.fillRect(widget, Qt::black);
    dataText(p, widget.adjusted(6, 0, -22, 0), s, pixelSize, false, colour::accent, alignment);
    const QPointF tip(widget.right() - 9, widget.center().y() + 3);
    p.setPen(Qt::NoPen);
    p.setBrush(colour::accent);
    p.drawPolygon(QPolygonF({tip, tip + QPointF(-5, -6), tip + QPointF(5, -6)}));
}

QImage composePreview(const Captions &text, const PictureSource &picture, const QString &languageItem)
{
    namespace L = layout;
    const auto lang = [&](const char *file) { return picture(text.folder + QLatin1Char('/') + QLatin1String(file)); };
    const auto all = [&](const char *file) { return picture(QStringLiteral("all/") + QLatin1String(file)); };

    QImage img(L::window, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    prepare(p);
    p.drawImage(0, 0, lang("main.png"));

    // Widget fonts as the window sets them: 16 pt, 14 pt and 11 pt bold at 96 dpi.
    const qreal big = 21.3, medium = 18.7, small = 14.7;
    paste(p, all("OR+.png"), L::device);
    comboBox(p, L::language, languageItem, medium, Qt::AlignLeft | Qt::AlignVCenter);
    dataText(p, L::vehicleName, QStringLiteral("SKODA   OCTAVIA"), big, false, colour::accent, Qt::AlignCenter);
    dataText(p, L::vehicleEngine, QStringLiteral("2.0 TSI  190HP  320NM"), big, false, colour::accent,
             Qt::AlignCenter);
    paste(p, lang("text_select_new_vehicle.png"), L::selectVehicle);
    comboBox(p, L::brand, QStringLiteral("BRAND"), 20, Qt::AlignCenter);
    comboBox(p, L::model, QStringLiteral("MODEL"), 20, Qt::AlignCenter);
    comboBox(p, L::engine, QStringLiteral("ENGINE"), 20, Qt::AlignCenter);
    paste(p, lang("apply_car_on.png"), L::applyCar);
    dataText(p, L::configsLeft, QStringLiteral("3"), medium, false, colour::accent, Qt::AlignLeft | Qt::AlignVCenter);
    paste(p, lang("drive_modes.png"), L::driveModes);
    paste(p, all("dynamic_on.png"), L::dynamic);
    paste(p, all("eco_off.png"), L::eco);
    paste(p, all("stock_off.png"), L::stock);

    paste(p, all("indication_on.png"), L::indication);
    // The automatic-protocol box keeps the platform's own indicator.
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(QColor(250, 250, 250));
    p.drawRoundedRect(QRectF(L::autoProtocol.left() + 2.5, L::autoProtocol.top() + 2.5, 13, 13), 2, 2);
    comboBox(p, L::protocol, QStringLiteral("HS CAN"), medium, Qt::AlignLeft | Qt::AlignVCenter);
    for (int n : {7, 15})
        paste(p, all("yellow.png"), L::pin(n));
    for (int n : {6, 14})
        paste(p, all("red.png"), L::pin(n));
    paste(p, all("stby_u.png"), L::standby);
    paste(p, all("checkbox_on.png"), L::autoStandby);
    paste(p, lang("apply_settings_on.png"), L::applySettings);

    paste(p, lang("no_errors.png"), L::errors);
    paste(p, lang("send_errors_off.png"), L::sendErrors);
    paste(p, lang("clear_errors_off.png"), L::clearErrors);

    const int info = Qt::AlignLeft | Qt::AlignVCenter;
    dataText(p, L::serialNumber, QStringLiteral("1104-2291-0087"), small, true, Qt::white, info);
    dataText(p, L::firmware, QStringLiteral("3.07"), small, true, Qt::white, info);
    dataText(p, L::hardware, QStringLiteral("2.1"), small, true, Qt::white, info);
    dataText(p, L::software, QStringLiteral("SK-OC20-190-S1"), small, true, Qt::white, info);
    dataText(p, L::protocolInfo, QStringLiteral("MANUAL, HS CAN"), small, true, Qt::white, info);
    dataText(p, L::standbyInfo, QStringLiteral("AUTO, U"), small, true, Qt::white, info);
    paste(p, all("update_firmware_off.png"), L::updateFirmware);
    paste(p, all("update_software_off.png"), L::updateSoftware);
    paste(p, all("custom_off.png"), L::custom);
    return img;
}

} // namespace

namespace {

// Every picture and the animation at one pixel ratio: 1 writes "name.png", 2 "name@2x.png".
bool writePictures(const QDir &root, int ratio, QString *error)
{
    const PixelRatioScope scope(ratio);
    const auto named = [ratio](const QString &file) { return ratio == 1 ? file : doubleDensityName(file); };
    for (const Captions &text : allCaptions()) {
        if (!root.mkpath(text.folder)) {
            if (error)
                *error = QStringLiteral("cannot create %1").arg(root.filePath(text.folder));
            return false;
        }
        for (const PictureFile &entry : languagePictures())
            if (!writePng(root.filePath(text.folder + QLatin1Char('/') + named(entry.file)),
                          drawLanguagePicture(text, entry.file), entry.size * ratio, error))
                return false;
    }
    if (!root.mkpath(QStringLiteral("all"))) {
        if (error)
            *error = QStringLiteral("cannot create %1").arg(root.filePath(QStringLiteral("all")));
        return false;
    }
    for (const PictureFile &entry : commonPictures())
        if (!writePng(root.filePath(QStringLiteral("all/") + named(entry.file)), drawCommonPicture(entry.file),
                      entry.size * ratio, error))
            return false;

    const QByteArray gif = loadingAnimation();
    if (gif.isEmpty()) {
        if (error)
            *error = QStringLiteral("cannot encode the animation");
        return false;
    }
    return writeBytes(root.filePath(named(QStringLiteral("load.gif"))), gif, error);
}

} // namespace

bool writeResources(const QString &outDir, QString *error)
{
    const QDir root(outDir);
    if (!writePictures(root, 1, error) || !writePictures(root, 2, error))
        return false;

    const QByteArray ico = windowIcon();
    if (ico.isEmpty()) {
        if (error)
            *error = QStringLiteral("cannot encode the icon");
        return false;
    }
    return writeBytes(root.filePath(QStringLiteral("orv.ico")), ico, error)
        && writeBytes(root.filePath(QStringLiteral("resources.qrc")), resourceList(), error);
}

bool writePreviews(const QString &resourcesDir, const QString &outDir, QString *error)
{
    PictureSource source = drawnPicture;
    if (!resourcesDir.isEmpty()) {
        const QDir dir(resourcesDir);
        source = [dir](const QString &relativePath) { return QImage(dir.filePath(relativePath)); };
    }
    if (!QDir().mkpath(outDir)) {
        if (error)
            *error = QStringLiteral("cannot create %1").arg(outDir);
        return false;
    }
    const QStringList items = {QStringLiteral("ENG"), QStringLiteral("DE"), QStringLiteral("RU")};
    const QVector<Captions> languages = allCaptions();
    for (int i = 0; i < languages.size(); ++i) {
        const QImage preview = composePreview(languages.at(i), source, items.value(i));
        if (!writePng(QDir(outDir).filePath(QStringLiteral("preview_%1.png").arg(languages.at(i).folder)), preview,
                      layout::window, error))
            return false;
    }
    return true;
}

} // namespace picgen
