#ifndef QT_COMPAT_H
#define QT_COMPAT_H

// The program builds with Qt 5.15 and with Qt 6. Where the two differ in what the source must
// say, the difference is held here, and only here.

#include <QCoreApplication>
#include <QtGlobal>

namespace qt_compat {

// High-DPI scaling and high-DPI pixmaps: Qt 5 must be asked for both before the application
// object exists; Qt 6 always has both (and deprecates the attributes).
inline void enable_high_dpi_scaling()
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
#endif
}

} // namespace qt_compat

#endif // QT_COMPAT_H
