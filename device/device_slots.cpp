// The window's side of the device sequences (device/transport.cpp, device/identify.cpp):
// the transport's slots, what identification shows as it goes, and the read-back.

#include <QLabel>
#include <QPushButton>

#include "app/app_state.h"
#include "app/logging.h"
#include "app/mainwindow.h"
#include "app/message_box.h"
#include "app/session.h"
#include "app/shown_text.h"
#include "app/style_sheets.h"
#include "app/widget_snapshot.h"
#include "controls/controls_state.h"
#include "device/device_state.h"
#include "device/link.h"
#include "device/usb_state.h"
#include "ui_mainwindow.h"

void MainWindow::myTimer_USB_read()
{
    session::read_tick();
}

void MainWindow::USB_write()
{
    link::write();
}

void MainWindow::USB_packets()
{
    link::packets();
}

void MainWindow::USB_clear_data()
{
    link::clear_data();
}

void MainWindow::USB_check_TX()
{
    link::check_tx();
}

// The first six answers are in: the stored vehicle's texts wait for the rest.
void MainWindow::show_identity_read()
{
    ui->label_marka_model->hide();
    ui->label_modif_power_torque->hide();
}

// The configuration id is known: a device without a vehicle asks for one, a device
// with one offers a new one (its texts come next).
void MainWindow::show_stored_vehicle_known(bool configured)
{
    if (!configured) {
        ui->label_marka_model->setText(QString());
        ui->label_modif_power_torque->setText(QString());
        sheets::set(ui->label_marka_model, sheets::no_vehicle(lang_folder));
        sheets::set(ui->label_text_select_vehicle, sheets::label(lang_folder + "/text_select_vehicle.png"));
        return;
    }
    sheets::set(ui->label_text_select_vehicle, sheets::label(lang_folder + "/text_select_new_vehicle.png"));
}

void MainWindow::show_stored_vehicle()
{
    ui->label_marka_model->setText(shown_text(car_brand + "   " + car_model));
    ui->label_modif_power_torque->setText(shown_text(car_engine + "  " + car_power + "HP  " + car_torque + "NM"));
}

// Reads back every value the window shows of the device, with the queries
// identification uses, and leaves the window as identification leaves it:
// after a write that did not end in success. Nothing of what the window showed
// before stays. Every control is locked while the answers come in, and no box
// is shown: the failure that led here has had its box. A device that does not
// answer is dropped and identified anew.
void MainWindow::read_back_device()
{
    // A closed window asks the device nothing more.
    if (exchanges_closed())
        return;
    const MutedBoxes muted;
    WidgetLock locked(controlled_group() + settings_controls() + vehicle_choice_widgets()
                      + QVector<QWidget *>{ui->pushButton_dynamic, ui->pushButton_eco, ui->pushButton_stock});
    // The settings handlers stay quiet while the values are filled in.
    lock_settings();
    clear_device_values();
    if (!session::read_back()) {
        qCDebug(orv_usb) << "read-back failed: device dropped";
        locked.release();
        abandon_device();
        return;
    }
    // The answers set the enabled states they show; the identified window sets the rest.
    locked.discard();
    enter_device_state();
}
