// The window's known states: the controls that start device or server work
// locked or unlocked, the no-device state, and the identified device's state.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "app/app_state.h"
#include "app/combo_items.h"
#include "app/idle_work.h"
#include "app/mainwindow.h"
#include "app/message_box.h"
#include "app/pictures.h"
#include "app/style_sheets.h"
#include "controls/controls_state.h"
#include "device/device_state.h"
#include "device/messages.h"
#include "ui_mainwindow.h"

namespace {

const QString black_sheet = sheets::list();

// The work queued ahead for the identified window of the device being opened: its
// pieces live only as long as this object, which goes with the device (or with the
// language its pictures were chosen for).
QPointer<QObject> preparation;

// A text label emptied: no text, no picture.
void clear_text(QLabel *label)
{
    label->clear();
    sheets::set(label, sheets::text_only());
}

} // namespace

// The controls that start device or server work, in the order they are switched.
QVector<QWidget *> MainWindow::controlled_group() const
{
    return {ui->comboBox_marka,       ui->comboBox_model,           ui->comboBox_model_exactly,
            ui->comboBox_protocol,    ui->pushButton_apply_car,     ui->pushButton_apply_settings,
            ui->pushButton_indication_on, ui->pushButton_indication_off};
}

// The vehicle choice: the three boxes and the transparent buttons over them.
QVector<QWidget *> MainWindow::vehicle_choice_widgets() const
{
    return {ui->comboBox_marka,  ui->comboBox_model,  ui->comboBox_model_exactly,
            ui->pushButton_marka, ui->pushButton_model, ui->pushButton_model_exactly};
}

// The editors of the settings word that disable_widgets leaves alone.
QVector<QWidget *> MainWindow::settings_controls() const
{
    return {ui->pushButton_stby_u, ui->pushButton_stby_s, ui->checkBox_auto_stby, ui->checkBox_auto_proto};
}

void MainWindow::disable_widgets()
{
    for (QWidget *widget : controlled_group())
        widget->setEnabled(false);
}

void MainWindow::enable_widgets()
{
    for (QWidget *widget : controlled_group())
        widget->setEnabled(true);
}

void MainWindow::clear_widgets()
{
    // No device: what was made ready for its window is let go of, and what was still
    // waiting to be made ready is not made.
    delete preparation;
    pictures::forget_prepared();
    disable_widgets();
    mark_window_cleared();
    lock_settings();
    clear_device_values();

    sheets::set(ui->label_device, sheets::label(lang_folder + "/no_device.png"));
    show_placeholder_only(ui->comboBox_marka, QStringLiteral("BRAND"));
    show_placeholder_only(ui->comboBox_model, QStringLiteral("MODEL"));
    show_placeholder_only(ui->comboBox_model_exactly, QStringLiteral("ENGINE"));
    ui->label_avail_config->clear();

    ui->label_drive_modes->hide();
    ui->pushButton_dynamic->hide();
    ui->pushButton_eco->hide();
    ui->pushButton_stock->hide();
    sheets::set(ui->pushButton_apply_car, sheets::button(lang_folder + "/apply_car_off.png"));
    sheets::set(ui->pushButton_apply_settings, sheets::button(lang_folder + "/apply_settings_off.png"));

    clear_text(ui->label_errors);
    ui->label_serial_number->clear();
    ui->label_firmware->clear();
    ui->label_hardware->clear();
    for (QLabel *pin : pin_labels())
        pin->hide();
}

// Every value the window shows from a device's answers, as it is before the
// first one: the stored vehicle, drive mode, indication, standby, protocol and
// pins, shown and held. The caller has locked the settings, so the handlers of
// the check boxes and the protocol list change nothing meanwhile.
void MainWindow::clear_device_values()
{
    forget_device_values();
    ui->checkBox_auto_stby->setChecked(false);
    ui->checkBox_auto_proto->setChecked(false);
    ui->comboBox_protocol->clear();

    clear_text(ui->label_marka_model);
    clear_text(ui->label_modif_power_torque);
    ui->label_software->clear();
    show_drive_mode(-1);
    sheets::set(ui->label_indication_on_off, sheets::button("all/indication_no.png"));
    sheets::set(ui->label_stby_u_s, sheets::button("all/stby_no.png"));
    ui->label_protocol->clear();
    ui->label_stby->clear();
    for (QLabel *pin : pin_labels())
        sheets::set(pin, sheets::pin());
}

// The language box's sheet, given on the first presence tick.
void MainWindow::style_language_box()
{
    sheets::set(ui->comboBox_language, black_sheet);
}

namespace {

// The vehicle boxes' sheet once a device is there.
QString vehicle_sheet()
{
    return black_sheet + QStringLiteral("font:20px;");
}

} // namespace

// Sets the vehicle boxes' sheet where it is not in place yet.
void MainWindow::style_vehicle_boxes()
{
    for (QComboBox *box : {ui->comboBox_marka, ui->comboBox_model, ui->comboBox_model_exactly})
        sheets::set(box, vehicle_sheet());
}

// What the identified device's window needs that can be made ready while
// identification waits for the device's answers, instead of in the one turn that
// fills the window: restyling a combo box with its list takes a few milliseconds
// the first time, and so do a dozen pictures decoded at once. One piece per turn of
// the event loop. Later connections find the sheets in place and skip them.
void MainWindow::prepare_device_window()
{
    delete preparation;
    preparation = new QObject(this);
    for (QComboBox *box : {ui->comboBox_marka, ui->comboBox_model, ui->comboBox_model_exactly})
        idle_work::add(preparation, [box] { sheets::set(box, vehicle_sheet()); });
    // The protocol list keeps this sheet once a device has been there; empty and
    // disabled until the device's window shows, it looks the same either way.
    QComboBox *protocol = ui->comboBox_protocol;
    idle_work::add(preparation, [protocol] { sheets::set(protocol, black_sheet); });

    QStringList files;
    const QString language = QStringLiteral(":/") + lang_folder + QLatin1Char('/');
    for (const char *file : {"apply_car_on.png", "apply_settings_on.png", "no_errors.png", "drive_modes.png",
                             "no_vehicle.png", "text_select_vehicle.png", "text_select_new_vehicle.png"})
        files << language + QLatin1String(file);
    for (const char *file : {"OR.png", "OR+.png", "dynamic_on.png", "dynamic_off.png", "eco_on.png", "eco_off.png",
                             "stock_on.png", "stock_off.png", "indication_on.png", "indication_off.png", "stby_u.png",
                             "stby_s.png", "checkbox_on.png", "red.png", "yellow.png"})
        files << QStringLiteral(":/all/") + QLatin1String(file);
    pictures::prepare(preparation, files);
}

// The language changed: pictures made ready for the device's window in the old one
// are let go of, and those of the new one made ready instead.
void MainWindow::prepare_device_window_again()
{
    if (!preparation)
        return;
    pictures::forget_prepared();
    prepare_device_window();
}

// The window of an identified device, once its presence is confirmed; also
// the end of a read-back, which must leave the window as identification does.
// Every control a sequence may have locked gets its enabled state here.
void MainWindow::enter_device_state()
{
    quiet_repeats_forget();
    mark_window_filled();
    enable_widgets();
    for (QWidget *widget : vehicle_choice_widgets() + QVector<QWidget *>{ui->checkBox_auto_stby, ui->checkBox_auto_proto})
        widget->setEnabled(true);
    ui->label_marka_model->show();
    ui->label_modif_power_torque->show();

    const QString &folder = lang_folder;
    sheets::set(ui->label_errors, sheets::text_over(folder + "/no_errors.png"));
    sheets::set(ui->pushButton_apply_car, sheets::button(folder + "/apply_car_on.png"));
    sheets::set(ui->pushButton_apply_settings, sheets::button(folder + "/apply_settings_on.png"));

    sheets::refolder(ui->label_text_select_vehicle, folder,
                     {"text_select_new_vehicle.png", "text_select_vehicle.png"}, sheets::label);

    show_protocol_list();
    sheets::set(ui->comboBox_language, black_sheet);
    style_vehicle_boxes();

    unlock_settings();
    for (QLabel *pin : pin_labels())
        pin->show();

    const message::Model model = message::device_model(serial_number);
    if (model == message::Model::OR) {
        sheets::set(ui->label_device,
                    QStringLiteral("background-color: none; image: url(:/all/OR.png); image-position: center;"));
    } else if (model == message::Model::ORPlus) {
        sheets::set(ui->label_device,
                    QStringLiteral("background-color: none; image: url(:/all/OR+.png); image-position: center;"));
        ui->label_drive_modes->show();
        ui->pushButton_dynamic->show();
        ui->pushButton_eco->show();
        ui->pushButton_stock->show();
        // A click of an earlier connection left one mode disabled; a newly
        // identified device offers all three, its mode shown by the pictures.
        ui->pushButton_dynamic->setEnabled(true);
        ui->pushButton_eco->setEnabled(true);
        ui->pushButton_stock->setEnabled(true);
    }
    timer_USB_test->start(USB_test_interval);
}

// The protocol list once the device's settings are read: the protocol names
// behind what query 0x32 put in it, the device's protocol selected.
void MainWindow::show_protocol_list()
{
    ui->comboBox_protocol->addItems(protocol_names);
    sheets::set(ui->comboBox_protocol, black_sheet);
    ui->comboBox_protocol->setCurrentIndex(protocol_index == -1 ? 0 : protocol_index);
}
