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

QByteArray loading_animation(); // load.gif, or load@2x.gif when drawn at pixel ratio 2
QByteArray window_icon();       // orv.ico
QByteArray resource_list();     // resources.qrc

// Writes the whole resource folder, every picture also at twice the density; false with a
// message on the first failure.
bool write_resources(const QString &out_dir, QString *error);

} // namespace picgen
