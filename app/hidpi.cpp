#include "app/hidpi.h"

#include <QFileInfo>
#include <QGuiApplication>

#include "app/qt_compat.h"

void enable_high_dpi()
{
    qt_compat::enable_high_dpi_scaling();
    // The pictures exist at 1x and 2x only: a fractional screen scale (1.25 at 120 dpi) is
    // rounded to a whole one, so the window stays 1000 x 650 logical pixels drawn from one
    // picture set. Qt 5 rounds by default, Qt 6 would pass 1.25 through.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
}

QString sharpest_file(const QString &file, qreal ratio)
{
    if (ratio <= 1)
        return file;
    const int dot = file.lastIndexOf(QLatin1Char('.'));
    const QString twin = dot < 0 ? file + QLatin1String("@2x") : file.left(dot) + QLatin1String("@2x") + file.mid(dot);
    return QFileInfo::exists(twin) ? twin : file;
}
