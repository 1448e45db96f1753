#include <QApplication>
#include <QCoreApplication>
#include <QStringList>

#include "app/build_config.h"
#include "app/hidpi.h"
#include "app/mainwindow.h"
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
    QApplication application(argc, argv);
    // A staging build trusts its own CA besides the system roots.
    trust_extra_certificates(compiled_in_ca_certificates());

    int result = 0;
    {
        MainWindow window;
        window.show();
        result = application.exec();
    }
    return result;
}
