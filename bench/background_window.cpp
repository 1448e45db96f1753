// The bare window's twin that looks like the configurator before anything is drawn on
// it: the same window with the same background picture (main.png, 1000 x 650, from the
// same place in the resource tree), and nothing else. No window that shows this picture
// can start faster or hold less: the picture is decoded once into a pixmap and painted
// by a plain label, with no style sheet (a style sheet brings its own style object, rule
// matching for every widget and, on Qt 6, an image reader for every picture it names).
// The decoded picture, about 2.5 MB, is what the look itself costs. Like the configurator
// it asks for no OpenGL surface.

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPixmap>

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
    QApplication app(argc, argv);
    QMainWindow window;
    window.setFixedSize(1000, 650);
    auto *background = new QLabel(&window);
    background->setPixmap(QPixmap(QStringLiteral(":/eng/main.png")));
    window.setCentralWidget(background);
    window.show();
    return app.exec();
}
