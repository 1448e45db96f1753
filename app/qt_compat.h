#ifndef QT_COMPAT_H
#define QT_COMPAT_H

// The program builds with Qt 5.15 and with Qt 6. Where the two differ in what the source must
// say, the difference is held here, and only here.

#include <QCoreApplication>
#include <QIconEngine>
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

// An icon engine that says whether it holds anything through one function: Qt 5 asks
// through virtual_hook(IsNullHook), Qt 6 through the virtual isNull().
class IconEngine : public QIconEngine
{
public:
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    void virtual_hook(int id, void *data) override
    {
        if (id == QIconEngine::IsNullHook)
            *static_cast<bool *>(data) = holds_nothing();
        else
            QIconEngine::virtual_hook(id, data);
    }
#else
    bool isNull() override { return holds_nothing(); }
#endif

protected:
    virtual bool holds_nothing() const = 0;
};

} // namespace qt_compat

#endif // QT_COMPAT_H
