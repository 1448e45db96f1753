// A bare Qt window of the configurator's size, built the same way: what start-up
// and memory the toolkit alone costs, for bench_startup to compare with.

#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setFixedSize(1000, 650);
    window.show();
    return app.exec();
}
