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

QByteArray loadingAnimation(); // load.gif
QByteArray windowIcon();       // orv.ico
QByteArray resourceList();     // resources.qrc

// Writes the whole resource folder; false with a message on the first failure.
bool writeResources(const QString &outDir, QString *error);

// Composes each language's window from the pictures in resourcesDir, as a connected
// device would show it, into preview_<folder>.png files in outDir.
bool writePreviews(const QString &resourcesDir, const QString &outDir, QString *error);

} // namespace picgen
