#include "app/message_box.h"

#include <QMessageBox>

#include "app/mainwindow.h"

void show_box(const char *title, const char *text)
{
    QMessageBox::information(nullptr, MainWindow::tr(title), MainWindow::tr(text), QMessageBox::Ok);
}
