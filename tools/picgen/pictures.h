#pragma once

#include "captions.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QVector>

namespace picgen {

struct PictureFile {
    QString file;
    QSize size;
};

// The fourteen files of each language folder and the twenty-four of "all".
QVector<PictureFile> languagePictures();
QVector<PictureFile> commonPictures();

QImage drawLanguagePicture(const Captions &text, const QString &file);
QImage drawCommonPicture(const QString &file);
QImage drawBackground(const Captions &text); // main.png

// The twice-as-dense twin of a picture file, "main.png" -> "main@2x.png", which Qt picks
// on a screen of device pixel ratio 2.
QString doubleDensityName(const QString &file);

QByteArray loadingAnimation(); // load.gif, or load@2x.gif when drawn at pixel ratio 2
QByteArray windowIcon();       // orv.ico
QByteArray resourceList();     // resources.qrc

// Writes the whole resource folder, every picture also at twice the density; false with a
// message on the first failure.
bool writeResources(const QString &outDir, QString *error);

} // namespace picgen
