// Finding the device, identifying it, and noticing when it is gone. The
// presence tick searches while no device is open and probes the open one.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <cerrno>

#include "app/app_state.h"
#include "app/logging.h"
#include "app/mainwindow.h"
#include "app/message_box.h"
#include "app/sequence_guard.h"
#include "app/shown_text.h"
#include "app/style_sheets.h"
#include "controls/controls_state.h"
#include "device/decode.h"
#include "device/device_state.h"
#include "device/open_hint.h"
#include "device/usb_state.h"
#include "server/api.h"
#include "server/server_state.h"
#include "ui_mainwindow.h"

namespace {

constexpr unsigned short device_vendor = 0x1FC9;
constexpr unsigned short device_product = 0x0087;

const QString black_sheet = QStringLiteral(
    "color: rgb(255, 219,10); background-color: black; alternate-background-color: black; "
    "selection-color: rgb(255, 219,10); selection-background-color:black;");

QByteArray query(int code)
{
    QByteArray message;
    message.append(char(0x09));
    message.append(char(code));
    return message;
}

// The vehicle boxes' sheet once a device is there. Restyling a combo box with
// its list takes about a millisecond, so the three are restyled when a device
// is opened, while identification waits for its answers, not in the turn that
// fills the window; later connections find the sheet in place and skip it.
void style_vehicle_boxes(Ui::MainWindow *ui)
{
    const QString vehicle_sheet = black_sheet + QStringLiteral("font:20px;");
    sheets::set(ui->comboBox_marka, vehicle_sheet);
    sheets::set(ui->comboBox_model, vehicle_sheet);
    sheets::set(ui->comboBox_model_exactly, vehicle_sheet);
}

} // namespace

void MainWindow::myTimer_USB_test()
{
    if (USB_first_tick) {
        ui->comboBox_language->setStyleSheet(black_sheet);
        USB_first_tick = false;
    }

    // Whoever runs a sequence owns the device until it ends; its own exchanges
    // notice a lost device, and the next tick after it probes again.
    SequenceGuard guard;
    if (guard.refused())
        return;

    if (!device_open) {
        device_list = hid_enumerate(0, 0);
        hid_device_info *match = device_list;
        while (match && !(match->vendor_id == device_vendor && match->product_id == device_product))
            match = match->next;

        if (!match) {
            hid_free_enumeration(device_list);
            device_list = nullptr;
            // Unplugged: a device plugged in next shows its failures afresh.
            quiet_repeats_forget();
            if (!widgets_cleared)
                clear_widgets();
            return;
        }

        hid_device *handle = hid_open_path(match->path);
        const int open_error = errno;  // why it failed, before another call changes it
        hid_free_enumeration(device_list);
        device_list = nullptr;
        if (!handle) {
            const bool show = !USB_open_error_shown;
            USB_open_error_shown = true;
            if (!widgets_cleared)
                clear_widgets();
            if (show) {
                const OpenHint hint = open_failure_hint(open_error, hid_error(nullptr));
                show_box("Error!", "USB not opened! Please reconnect device!", hint.text, hint.arguments);
            }
            return;
        }

        hid_set_nonblocking(handle, 1);
        timer_USB_test->stop();
        device_handle = handle;
        device_open = true;
        USB_error = false;
        server_error = false;
        USB_open_error_shown = false;
        USB_write_error_shown = false;
        qCDebug(orv_usb) << "device opened";
        style_vehicle_boxes(ui);

        // A device that keeps failing shows each of its boxes once per plug-in.
        quiet_repeats_begin();
        const bool identified = identify_device();
        quiet_repeats_end();
        if (!identified) {
            qCDebug(orv_usb) << "identification failed: device dropped";
            abandon_device();
            return;
        }
    }

    // Presence probe: a device that is gone answers -1.
    if (!device_present()) {
        qCDebug(orv_usb) << "device lost";
        // Whatever identification or the window showed of it goes with it.
        abandon_device();
        return;
    }
    if (widgets_cleared)
        enter_device_state();
}

bool MainWindow::device_present()
{
    return device_open && device_handle
           && hid_read(device_handle, reinterpret_cast<unsigned char *>(RX_report.data()), size_t(RX_report.size()))
                  != -1;
}

// A device that failed identification, or was lost after it, is dropped and
// the window emptied at once; the search starts over on the next tick.
void MainWindow::abandon_device()
{
    drop_device();
    ui->label_marka_model->show();
    ui->label_modif_power_torque->show();
    clear_widgets();
    timer_USB_test->start(USB_test_interval);
}

// The identification queries in order; false at the first failure. Nothing
// of an earlier device survives: its identity is forgotten before the first
// query, and a serial number or key that cannot go to the server fails here.
bool MainWindow::identify_device()
{
    forget_device_identity();
    auto ask = [this](const QByteArray &message) {
        quiet_repeats_step(QString::fromLatin1(message.toHex()));
        return USB_exchange(message);
    };

    const QByteArray first[] = {QByteArray(1, char(0x03)), query(10), query(13) + char(0x04),
                                query(12), query(11), query(20)};
    for (const QByteArray &message : first) {
        if (!ask(message))
            break;
        const bool identity = message == query(10) || message.startsWith(query(13));
        if (identity && !decode::printable_ascii(message == query(10) ? serial_number : device_key)) {
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
    if (USB_error || !device_present())
        return false;
    if (avail_config > 0) {
        server_request(Endpoint::Brands, api::brands_path());
        if (!device_present())
            return false;
    }
    return true;
}

// Query 20 has been answered: reads and shows every value the window shows of
// the device (the stored vehicle, the drive mode of a configured OR+, the
// indication, the pins in use, standby and protocol). False at the first failure.
bool MainWindow::read_device_values(const std::function<bool(const QByteArray &)> &ask)
{
    if (!show_stored_vehicle(ask))
        return false;
    if (config_id != unconfigured_id && serial_number.startsWith(QLatin1String("11")) && !ask(query(28)))
        return false;
    for (const int code : {52, 51, 50})
        if (!ask(query(code)))
            return false;
    return true;
}

// Query 20 has been answered: shows the vehicle the device holds, asking for
// its items (queries 21 to 26) when it holds one. False at the first failure.
bool MainWindow::show_stored_vehicle(const std::function<bool(const QByteArray &)> &ask)
{
    if (config_id == unconfigured_id) {
        ui->label_marka_model->setText(QString());
        ui->label_modif_power_torque->setText(QString());
        ui->label_marka_model->setStyleSheet("color: rgb(255, 219,10); background-color: none; image:  url(:/"
                                             + lang_folder + "/no_vehicle.png); image-position: center;");
        ui->label_text_select_vehicle->setStyleSheet(sheets::label(lang_folder + "/text_select_vehicle.png"));
        return true;
    }
    ui->label_text_select_vehicle->setStyleSheet(sheets::label(lang_folder + "/text_select_new_vehicle.png"));
    for (int code = 21; code <= 25; ++code)
        if (!ask(query(code)))
            return false;
    ui->label_marka_model->setText(shown_text(car_brand + "   " + car_model));
    ui->label_modif_power_torque->setText(shown_text(car_engine + "  " + car_power + "HP  " + car_torque + "NM"));
    return ask(query(26));
}

// Reads back every value the window shows of the device, with the queries
// identification uses and shown as identification shows them: after an
// installation that wrote into the device but did not end in success. Nothing
// of what the window showed before stays. A device that does not answer is
// dropped and identified anew.
void MainWindow::read_back_device()
{
    // The failure that led here has had its box.
    const MutedBoxes muted;
    // The settings handlers stay quiet while the values are filled in.
    settings_locked = true;
    clear_device_values();
    auto ask = [this](const QByteArray &message) { return USB_exchange(message); };
    if (!ask(query(20)) || !read_device_values(ask)) {
        qCDebug(orv_usb) << "read-back failed: device dropped";
        abandon_device();
        return;
    }
    show_device_settings();
    settings_locked = false;
}

// Forgets the open device. Its handle is closed at once, so re-plugging or
// failing identification again and again leaks nothing.
void MainWindow::drop_device()
{
    device_open = false;
    forget_device_identity();
    if (device_handle) {
        hid_close(device_handle);
        device_handle = nullptr;
        qCDebug(orv_usb) << "device closed";
    }
}

void MainWindow::enter_device_state()
{
    quiet_repeats_forget();
    widgets_cleared = false;
    enable_widgets();
    ui->label_marka_model->show();
    ui->label_modif_power_torque->show();

    const QString &folder = lang_folder;
    ui->label_errors->setStyleSheet("color: rgb(255, 219,10); background-color: none; image:  url(:/" + folder
                                    + "/no_errors.png);");
    ui->pushButton_apply_car->setStyleSheet(sheets::button(folder + "/apply_car_on.png"));
    ui->pushButton_apply_settings->setStyleSheet(sheets::button(folder + "/apply_settings_on.png"));

    const QString select_sheet = ui->label_text_select_vehicle->styleSheet();
    if (select_sheet.contains(QLatin1String("text_select_new_vehicle.png")))
        ui->label_text_select_vehicle->setStyleSheet(sheets::label(folder + "/text_select_new_vehicle.png"));
    else if (select_sheet.contains(QLatin1String("text_select_vehicle.png")))
        ui->label_text_select_vehicle->setStyleSheet(sheets::label(folder + "/text_select_vehicle.png"));

    show_device_settings();

    sheets::set(ui->comboBox_language, black_sheet);
    style_vehicle_boxes(ui);

    settings_locked = false;
    for (QLabel *pin : pin_labels())
        pin->show();

    if (serial_number.startsWith(QLatin1String("10"))) {
        ui->label_device->setStyleSheet(
            QStringLiteral("background-color: none; image: url(:/all/OR.png); image-position: center;"));
    } else if (serial_number.startsWith(QLatin1String("11"))) {
        ui->label_device->setStyleSheet(
            QStringLiteral("background-color: none; image: url(:/all/OR+.png); image-position: center;"));
        ui->label_drive_modes->show();
        ui->pushButton_dynamic->show();
        ui->pushButton_eco->show();
        ui->pushButton_stock->show();
    }
    timer_USB_test->start(USB_test_interval);
}

// The controls for the device's settings once its values are read: the
// protocol list behind what query 50 put in it, and the three drive modes.
void MainWindow::show_device_settings()
{
    ui->comboBox_protocol->addItems(protocol_names);
    sheets::set(ui->comboBox_protocol, black_sheet);
    ui->comboBox_protocol->setCurrentIndex(protocol_index == -1 ? 0 : protocol_index);
    if (serial_number.startsWith(QLatin1String("11"))) {
        // A click of an earlier connection left one mode disabled; a newly
        // identified device offers all three, its mode shown by the pictures.
        ui->pushButton_dynamic->setEnabled(true);
        ui->pushButton_eco->setEnabled(true);
        ui->pushButton_stock->setEnabled(true);
    }
}
