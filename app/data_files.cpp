#include "app/data_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QMovie>
#include <QPixmap>

#include "app/hidpi.h"
#include "app/logging.h"

// The installed data folder relative to the program's folder (e.g. "../share/orv"), fixed by
// the build from its install layout.
#ifndef ORV_DATA_DIR_FROM_PROGRAM
#error "ORV_DATA_DIR_FROM_PROGRAM must give the data folder relative to the program's folder"
#endif

QString installed_data_dir(const QString &program_dir)
{
    return QDir::cleanPath(program_dir + QStringLiteral("/" ORV_DATA_DIR_FROM_PROGRAM));
}

QString find_data_file(const QString &name, const QString &program_dir)
{
    if (QFileInfo::exists(name))
        return name;
    const QString installed = installed_data_dir(program_dir) + QLatin1Char('/') + name;
    if (QFileInfo::exists(installed))
        return installed;
    return QStringLiteral(":/") + name;
}

QIcon load_window_icon(const QString &name)
{
    const QString path = find_data_file(name, QCoreApplication::applicationDirPath());
    QIcon icon(path);
    // A QIcon made from any path is not null; only drawing it tells whether it is usable.
    qCDebug(orv_app).noquote() << "window icon:" << path
                               << (icon.pixmap(32, 32).isNull() ? "(unusable)" : "(valid)");
    return icon;
}

QMovie *load_animation(const QString &name)
{
    // On a high-density screen the animation drawn at twice the size, where there is one.
    const QString path = sharpest_file(find_data_file(name, QCoreApplication::applicationDirPath()),
                                       qApp ? qApp->devicePixelRatio() : 1.0);
    auto *movie = new QMovie(path);
    qCDebug(orv_app).noquote() << "loading animation:" << path
                               << (movie->isValid() ? "(valid)" : "(unusable)");
    return movie;
}
