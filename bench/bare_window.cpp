// A bare Qt window of the configurator's size, built the same way: what start-up
// and memory the toolkit alone costs, for bench_startup to compare with. With
// --raster it asks for no OpenGL surface, as the configurator does: what is left is
// the toolkit's own cost for a raster-only window.

#include <QApplication>
#include <QMainWindow>
#include <cstring>

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--raster") == 0)
        QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
    QApplication app(argc, argv);
    QMainWindow window;
    window.setFixedSize(1000, 650);
    window.show();
    return app.exec();
}
