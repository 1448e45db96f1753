// orv-picgen: draws every picture of the window into a resource folder.
//
//   orv-picgen [--fonts DIR] OUTDIR              write the resource folder, with the desktop
//                                                icon in OUTDIR/icons/hicolor

#include "app_icon.h"
#include "pictures.h"
#include "theme.h"

#include <QGuiApplication>
#include <QStringList>

#include <cstdio>

namespace {

// Debian's fonts-dejavu-core puts the faces here.
const char *const default_font_dir = "/usr/share/fonts/truetype/dejavu";

int usage()
{
    std::fprintf(stderr, "usage: orv-picgen [--fonts DIR] OUTDIR\n");
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    // Drawing needs a GUI application for fonts, but never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QString font_dir = QString::fromLocal8Bit(default_font_dir);
    QString out_dir;
    QStringList args = app.arguments();
    args.removeFirst();
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--fonts") && i + 1 < args.size())
            font_dir = args.at(++i);
        else if (!arg.startsWith(QLatin1String("--")) && out_dir.isEmpty())
            out_dir = arg;
        else
            return usage();
    }
    if (out_dir.isEmpty())
        return usage();

    QString error;
    if (!picgen::load_fonts(font_dir, &error)) {
        std::fprintf(stderr, "orv-picgen: %s (install fonts-dejavu-core or pass --fonts)\n", qPrintable(error));
        return 1;
    }
    const bool ok = picgen::write_resources(out_dir, &error)
                    && picgen::write_hicolor_icons(out_dir + QStringLiteral("/icons/hicolor"),
                                                 QStringLiteral("example.orv.configurator"), &error);
    if (!ok) {
        std::fprintf(stderr, "orv-picgen: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
