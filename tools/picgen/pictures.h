#pragma once

#include "captions.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QVector>

#include <functional>

namespace picgen {

// A picture file, its size in drawing units and how it is drawn; the pictures of "all" draw
// no caption and take any captions.
struct PictureFile {
    QString file;
    QSize size;
    std::function<QImage(const Captions &)> draw;
};

// The fourteen files of each language folder and the twenty-four of "all".
QVector<PictureFile> language_pictures();
QVector<PictureFile> common_pictures();

QImage draw_background(const Captions &text); // main.png

// The twice-as-dense twin of a picture file, "main.png" -> "main@2x.png", which Qt picks
// on a screen of device pixel ratio 2.
QString double_density_name(const QString &file);

// The frames of load.gif (or of load@2x.gif when drawn at pixel ratio 2), each a full picture
// with one transparent colour, and the sizes of orv.ico. regenerate.sh makes both files.
QVector<QImage> loading_animation();
QVector<QImage> window_icon();
QByteArray resource_list(); // resources.qrc

// Writes the whole resource folder, every picture also at twice the density, and into work_dir
// the animation's frames and the icon's sizes as PNG files: load-00.png..., load@2x-00.png...,
// orv-16.png...; false with a message on the first failure.
bool write_resources(const QString &out_dir, const QString &work_dir, QString *error);
// The desktop icon as PNG files of the hicolor theme, one per size from 16 to 256 pixels:
// <out_dir>/<n>x<n>/apps/<name>.png. False with a message on the first failure.
bool write_hicolor_icons(const QString &out_dir, const QString &name, QString *error);

} // namespace picgen
