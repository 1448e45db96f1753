#include <QApplication>
#include <QCoreApplication>
#include <QNetworkProxyFactory>
#include <QStringList>

#include "app/build_config.h"
#include "app/hidpi.h"
#include "app/logging.h"
#include "app/mainwindow.h"
#include "app/recorder.h"
#include "server/tls.h"

int main(int argc, char *argv[])
{
    Q_INIT_RESOURCE(resources);

    // Before the application object: the platform and image-format plug-ins
    // may be deployed in the program's own folder.
    QStringList paths = QCoreApplication::libraryPaths();
    paths << QStringLiteral(".") << QStringLiteral("platforms") << QStringLiteral("imageformats");
    QCoreApplication::setLibraryPaths(paths);

    enable_high_dpi();
    // The window is drawn by the raster engine alone and holds no OpenGL widget: its
    // window needs no OpenGL surface, so the platform's OpenGL stack is never loaded.
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
    QApplication application(argc, argv);
    // The desktop entry the window belongs to: its name and icon in docks and task bars.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.orv.configurator"));
    // Requests to the server go through the proxy the system names (https_proxy and no_proxy
    // on Linux, the platform's settings elsewhere); TLS still runs end to end through it.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    // A staging build trusts its own CA besides the system roots.
    trust_extra_certificates(compiled_in_ca_certificates());

    // Qt's logging rules switch the recording on, as they do the traces.
    if (orv_record().isDebugEnabled())
        recorder::start([](const std::string &line) { qCDebug(orv_record).noquote() << QString::fromStdString(line); },
                        {QStringLiteral("orv"), false});

    int result = 0;
    {
        MainWindow window;
        window.show();
        result = application.exec();
    }
    recorder::stop();
    return result;
}
