// The window's known states: the controls that start device or server work
// locked or unlocked, and the no-device state.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "app/app_state.h"
#include "app/combo_items.h"
#include "app/mainwindow.h"
#include "app/style_sheets.h"
#include "controls/controls_state.h"
#include "device/device_state.h"
#include "ui_mainwindow.h"

namespace {

const QString empty_text_sheet = QStringLiteral(
    "color: rgb(255, 219,10); background-color: none; image: noimage;");

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
    disable_widgets();
    device_open = false;
    settings_locked = true;
    clear_device_values();
    widgets_cleared = true;

    ui->label_device->setStyleSheet(sheets::label(lang_folder + "/no_device.png"));
    show_placeholder_only(ui->comboBox_marka, QStringLiteral("BRAND"));
    show_placeholder_only(ui->comboBox_model, QStringLiteral("MODEL"));
    show_placeholder_only(ui->comboBox_model_exactly, QStringLiteral("ENGINE"));
    ui->label_avail_config->clear();

    ui->label_drive_modes->hide();
    ui->pushButton_dynamic->hide();
    ui->pushButton_eco->hide();
    ui->pushButton_stock->hide();
    ui->pushButton_apply_car->setStyleSheet(sheets::button(lang_folder + "/apply_car_off.png"));
    ui->pushButton_apply_settings->setStyleSheet(sheets::button(lang_folder + "/apply_settings_off.png"));

    ui->label_errors->clear();
    ui->label_errors->setStyleSheet(empty_text_sheet);
    ui->label_serial_number->clear();
    ui->label_firmware->clear();
    ui->label_hardware->clear();
    for (QLabel *pin : pin_labels())
        pin->hide();
}

// Every value the window shows from a device's answers, as it is before the
// first one: the stored vehicle, drive mode, indication, standby, protocol and
// pins. The caller has set settings_locked, so the handlers of the check boxes
// and the protocol list change nothing meanwhile.
void MainWindow::clear_device_values()
{
    protocol_index = -1;
    pin_states.clear();
    ui->checkBox_auto_stby->setChecked(false);
    ui->checkBox_auto_proto->setChecked(false);
    ui->comboBox_protocol->clear();

    ui->label_marka_model->clear();
    ui->label_marka_model->setStyleSheet(empty_text_sheet);
    ui->label_modif_power_torque->clear();
    ui->label_modif_power_torque->setStyleSheet(empty_text_sheet);
    ui->label_software->clear();
    show_drive_mode(-1);
    ui->label_indication_on_off->setStyleSheet(sheets::button("all/indication_no.png"));
    ui->label_stby_u_s->setStyleSheet(sheets::button("all/stby_no.png"));
    ui->label_protocol->clear();
    ui->label_stby->clear();
    for (QLabel *pin : pin_labels())
        pin->setStyleSheet(QStringLiteral("background-color: none;image: none;"));
}
