// orv-picgen: draws every picture of the window into a resource folder.
//
//   orv-picgen OUTDIR WORKDIR   write the resource folder, with the desktop icon in
//                               OUTDIR/icons/hicolor, and the frames of the animation and
//                               the sizes of the window icon as PNG files into WORKDIR

#include "pictures.h"
#include "theme.h"

#include <QGuiApplication>

#include <cstdio>

// Debian's fonts-dejavu-core puts the faces here.
static const char font_dir[] = "/usr/share/fonts/truetype/dejavu";

int main(int argc, char *argv[])
{
    // Drawing needs a GUI application for fonts, but never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    if (argc != 3 || argv[1][0] == '-' || argv[2][0] == '-') {
        std::fprintf(stderr, "usage: orv-picgen OUTDIR WORKDIR\n");
        return 2;
    }
    const QString out_dir = QString::fromLocal8Bit(argv[1]);

    QString error;
    if (!picgen::load_fonts(QString::fromLatin1(font_dir), &error)) {
        std::fprintf(stderr, "orv-picgen: %s (install fonts-dejavu-core)\n", qPrintable(error));
        return 1;
    }
    const bool ok = picgen::write_resources(out_dir, QString::fromLocal8Bit(argv[2]), &error)
                    && picgen::write_hicolor_icons(out_dir + QStringLiteral("/icons/hicolor"),
                                                 QStringLiteral("example.orv.configurator"), &error);
    if (!ok) {
        std::fprintf(stderr, "orv-picgen: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
