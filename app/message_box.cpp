#include "app/message_box.h"

#include <QMessageBox>

#include "app/mainwindow.h"

void show_box(const char *title, const char *text)
{
    QMessageBox::information(nullptr, MainWindow::tr(title), MainWindow::tr(text), QMessageBox::Ok);
}

void show_box(const char *title, const char *text, const char *informative, const QStringList &arguments)
{
    if (!informative) {
        show_box(title, text);
        return;
    }
    // One pass for all arguments: a '%' inside one of them is not taken for a placeholder.
    QString detail = MainWindow::tr(informative);
    const QString first = arguments.value(0), second = arguments.value(1), third = arguments.value(2);
    switch (arguments.size()) {
    case 0: break;
    case 1: detail = detail.arg(first); break;
    case 2: detail = detail.arg(first, second); break;
    default: detail = detail.arg(first, second, third); break;
    }
    QMessageBox box(QMessageBox::Information, MainWindow::tr(title), MainWindow::tr(text), QMessageBox::Ok);
    box.setInformativeText(detail);
    box.exec();
}
