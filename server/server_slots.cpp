// The window's side of the server client (server/request.cpp): its slots, and the
// count it shows.

#include <QLabel>

#include "app/mainwindow.h"
#include "app/session.h"
#include "server/request.h"
#include "server/server_state.h"
#include "ui_mainwindow.h"

void MainWindow::myTimer_server()
{
    session::server_timeout();
}

// Each reply's handler is connected when its request goes out; these run the same.
void MainWindow::finishedSlot_marks()
{
    finish_brands();
}

void MainWindow::finishedSlot_models()
{
    finish_models();
}

void MainWindow::finishedSlot_modifications()
{
    finish_engines();
}

void MainWindow::finishedSlot_GetSets()
{
    finish_settings_record();
}

void MainWindow::finishedSlot_GetSoftCar()
{
    finish_software();
}

void MainWindow::finishedSlot_PostSettingsOk()
{
    finish_install_report();
}

void MainWindow::finishedSlot_GetConfigCount()
{
    finish_count();
}

void MainWindow::show_config_count()
{
    ui->label_avail_config->setText(QString::number(avail_config));
}
