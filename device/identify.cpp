// Identifying an opened device: the queries in order, each reply shown by its
// decoder (device/replies.cpp), then the server's count and brands. The same
// queries read the device back after an installation that did not end well.

#include <QLabel>

#include "app/app_state.h"
#include "app/logging.h"
#include "app/mainwindow.h"
#include "app/message_box.h"
#include "app/shown_text.h"
#include "app/style_sheets.h"
#include "app/widget_snapshot.h"
#include "controls/controls_state.h"
#include "device/decode.h"
#include "device/device_state.h"
#include "device/messages.h"
#include "device/usb_state.h"
#include "server/api.h"
#include "server/server_state.h"
#include "ui_mainwindow.h"

using message::Code;
using message::query;

// The identification queries in order; false at the first failure. Nothing
// of an earlier device survives: its identity is forgotten before the first
// query, and a serial number or key that cannot go to the server fails here.
bool MainWindow::identify_device()
{
    forget_device_identity();
    auto ask = [this](const QByteArray &bytes) {
        quiet_repeats_step(QString::fromLatin1(bytes.toHex()));
        return USB_exchange(bytes);
    };

    const QByteArray first[] = {message::command(Code::Open), query(Code::SerialNumber), query(Code::Key),
                                query(Code::Firmware), query(Code::Hardware), query(Code::ConfigId)};
    for (const QByteArray &step : first) {
        if (!ask(step))
            break;
        const bool serial = step == query(Code::SerialNumber);
        const bool identity = serial || step == query(Code::Key);
        if (identity && !decode::printable_ascii(serial ? serial_number : device_key)) {
            // A reply that echoed another code, or a key without its marker,
            // leaves the identity empty; so does one with a line break in it.
            qCDebug(orv_usb) << "no usable identity from the device";
            USB_reject_reply();
            break;
        }
    }
    ui->label_marka_model->hide();
    ui->label_modif_power_torque->hide();
    if (USB_error)
        return false;

    if (!read_device_values(ask))
        return false;

    // A device unplugged while the server is asked is noticed when the answer is in.
    quiet_repeats_step(QStringLiteral("limit"));
    server_request(Endpoint::LimitInfo, api::limit_path());
    if (token_rejected || !device_present())
        return false;
    if (avail_config > 0) {
        server_request(Endpoint::Brands, api::brands_path());
        if (!device_present())
            return false;
    }
    return true;
}

// The configuration id has been read: reads and shows every value the window shows of
// the device (the stored vehicle, the drive mode of a configured OR+, the
// indication, the pins in use, standby and protocol). False at the first failure.
bool MainWindow::read_device_values(const std::function<bool(const QByteArray &)> &ask)
{
    if (!show_stored_vehicle(ask))
        return false;
    const bool modes = message::device_model(serial_number) == message::Model::ORPlus;
    if (config_id != unconfigured_id && modes && !ask(query(Code::DriveMode)))
        return false;
    for (const Code code : {Code::Indication, Code::PinActivity, Code::Settings})
        if (!ask(query(code)))
            return false;
    return true;
}

// The configuration id has been read: shows the vehicle the device holds,
// asking for its texts when it holds one. False at the first failure.
bool MainWindow::show_stored_vehicle(const std::function<bool(const QByteArray &)> &ask)
{
    if (config_id == unconfigured_id) {
        ui->label_marka_model->setText(QString());
        ui->label_modif_power_torque->setText(QString());
        sheets::set(ui->label_marka_model, sheets::no_vehicle(lang_folder));
        sheets::set(ui->label_text_select_vehicle, sheets::label(lang_folder + "/text_select_vehicle.png"));
        return true;
    }
    sheets::set(ui->label_text_select_vehicle, sheets::label(lang_folder + "/text_select_new_vehicle.png"));
    for (const Code code : {Code::Brand, Code::Model, Code::Engine, Code::Power, Code::Torque})
        if (!ask(query(code)))
            return false;
    ui->label_marka_model->setText(shown_text(car_brand + "   " + car_model));
    ui->label_modif_power_torque->setText(shown_text(car_engine + "  " + car_power + "HP  " + car_torque + "NM"));
    return ask(query(Code::SoftwareLabel));
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
    auto ask = [this](const QByteArray &bytes) { return USB_exchange(bytes); };
    if (!ask(query(Code::ConfigId)) || !read_device_values(ask)) {
        qCDebug(orv_usb) << "read-back failed: device dropped";
        locked.release();
        abandon_device();
        return;
    }
    // The answers set the enabled states they show; the identified window sets the rest.
    locked.discard();
    enter_device_state();
}
