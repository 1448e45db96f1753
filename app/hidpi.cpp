#include "app/hidpi.h"

#include <QCoreApplication>
#include <QFileInfo>

void enable_high_dpi()
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
}

QString sharpest_file(const QString &file, qreal ratio)
{
    if (ratio <= 1)
        return file;
    const int dot = file.lastIndexOf(QLatin1Char('.'));
    const QString twin = dot < 0 ? file + QLatin1String("@2x") : file.left(dot) + QLatin1String("@2x") + file.mid(dot);
    return QFileInfo::exists(twin) ? twin : file;
}
