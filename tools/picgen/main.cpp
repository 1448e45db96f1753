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
const char *const kDefaultFontDir = "/usr/share/fonts/truetype/dejavu";

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

    QString fontDir = QString::fromLocal8Bit(kDefaultFontDir);
    QString outDir;
    QStringList args = app.arguments();
    args.removeFirst();
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--fonts") && i + 1 < args.size())
            fontDir = args.at(++i);
        else if (!arg.startsWith(QLatin1String("--")) && outDir.isEmpty())
            outDir = arg;
        else
            return usage();
    }
    if (outDir.isEmpty())
        return usage();

    QString error;
    if (!picgen::loadFonts(fontDir, &error)) {
        std::fprintf(stderr, "orv-picgen: %s (install fonts-dejavu-core or pass --fonts)\n", qPrintable(error));
        return 1;
    }
    const bool ok = picgen::writeResources(outDir, &error)
                    && picgen::writeHicolorIcons(outDir + QStringLiteral("/icons/hicolor"),
                                                 QStringLiteral("example.orv.configurator"), &error);
    if (!ok) {
        std::fprintf(stderr, "orv-picgen: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
