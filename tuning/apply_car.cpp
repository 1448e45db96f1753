// Installing a vehicle: the chosen engine's settings record and software come
// from the server, go into the device, and the installation is reported.
// One run, inside this click; every path ends in the same finish.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMovie>
#include <QPushButton>

#include "app/app_state.h"
#include "app/combo_items.h"
#include "app/mainwindow.h"
#include "app/message_box.h"
#include "app/sequence_guard.h"
#include "app/style_sheets.h"
#include "app/widget_snapshot.h"
#include "device/framing.h"
#include "device/usb_state.h"
#include "server/api.h"
#include "server/server_state.h"
#include "tuning/tuning_state.h"
#include "tuning/vehicle_messages.h"
#include "ui_mainwindow.h"

void MainWindow::on_pushButton_apply_car_clicked()
{
    SequenceGuard guard;
    if (guard.refused())
        return;

    marka_popup = false;
    model_popup = false;
    model_exactly_popup = false;
    disable_widgets();
    // Nothing else may start a device or server sequence while the run waits:
    // the controls that disable_widgets leaves alone are locked too, and put
    // back as they were when the run is over.
    const QVector<QWidget *> others = {ui->pushButton_dynamic, ui->pushButton_eco, ui->pushButton_stock,
                                       ui->pushButton_stby_u, ui->pushButton_stby_s, ui->checkBox_auto_stby,
                                       ui->checkBox_auto_proto, ui->pushButton_marka, ui->pushButton_model,
                                       ui->pushButton_model_exactly};
    const WidgetSnapshot unlocked(others);
    for (QWidget *widget : others)
        widget->setEnabled(false);
    ui->pushButton_apply_car->setStyleSheet(sheets::button(lang_folder + "/apply_car_press.png"));
    ui->label_load->show();
    load_movie->start();

    auto hide_loading = [this] {
        ui->label_load->hide();
        load_movie->stop();
    };

    const bool chosen = ui->comboBox_marka->currentIndex() != 0 && ui->comboBox_model->currentIndex() != 0
                        && ui->comboBox_model_exactly->currentIndex() != 0;
    const QString brand = ui->comboBox_marka->currentText();
    const QString model = ui->comboBox_model->currentText();
    const QString engine = ui->comboBox_model_exactly->currentText();
    bool installed = false;

    if (!chosen) {
        hide_loading();
        show_box("Error!", "Please select your vehicle!");
    } else if (avail_config <= 0) {
        hide_loading();
        show_box("Error", "No tuning files!");
    } else {
        USB_error = false;
        server_error = false;
        const api::EngineKey key = api::split_engine_text(engine);
        const int i = api::find_engine(key, modif_titles, modif_power, modif_moment);
        if (i >= 0)
            vehicle_id = modif_ids.value(i);

        VehicleRecord record;
        bool go = server_request(Endpoint::Settings, api::settings_path(vehicle_id, auth_key)) && !server_error;
        if (go)
            go = server_request(Endpoint::Software, api::software_path(software_id, auth_key)) && !server_error;
        if (go) {
            record = {vehicle_id, brand, model, key.title, key.power, key.torque,
                      software_id, avail_config, soft_file};
            // The device takes nothing longer than its 16-bit offsets address:
            // refuse before the first message rather than leave half a vehicle.
            for (const QByteArray &message : vehicle_messages(record)) {
                if (message.size() > USB_max_message) {
                    show_box("Error!", "Software file too large for the device! Nothing was written.");
                    go = false;
                    break;
                }
            }
        }
        if (go)
            go = write_vehicle(record);
        if (go) {
            server_request(Endpoint::InstallSuccess, api::install_success_path(),
                           api::install_success_body(settings_id));
            go = !server_error;
        }
        if (go) {
            server_request(Endpoint::LimitInfo, api::limit_path());

            unlocked.restore();
            ui->label_marka_model->setStyleSheet(
                QStringLiteral("color: rgb(255, 219,10); background-color: none; image: noimage;"));
            ui->label_marka_model->setText(brand + "   " + model);
            ui->label_modif_power_torque->setText(engine);
            ui->label_software->setText(software_id);
            ui->checkBox_auto_proto->setChecked(true);
            ui->checkBox_auto_stby->setChecked(true);
            // The write set DYNAMIC.
            select_drive_mode(2);
            ui->label_avail_config->setText(QString::number(avail_config));
            hide_loading();
            installed = true;
            show_box("Info", "Vehicle is changed!");
        }
    }

    // Finish, on every path.
    hide_loading();
    ui->pushButton_apply_car->setStyleSheet(sheets::button(lang_folder + "/apply_car_on.png"));
    if (!installed)
        unlocked.restore();
    enable_widgets();
    ui->comboBox_marka->setCurrentIndex(0);
    show_placeholder_only(ui->comboBox_model, QStringLiteral("MODEL"));
    show_placeholder_only(ui->comboBox_model_exactly, QStringLiteral("ENGINE"));
}

void MainWindow::finishedSlot_GetSets()
{
    QNetworkReply *reply = take_reply(reply_GetSets);
    if (!reply)
        return;
    if (reply->error() != QNetworkReply::NoError) {
        show_box("Error!", "Server connection error");
        server_error = true;
    } else {
        const api::SettingsRecord record = api::settings_record(api::result_of(reply->readAll()));
        software_id = record.software_id;
        settings_id = record.id;
    }
    finish_reply(reply);
}

void MainWindow::finishedSlot_GetSoftCar()
{
    QNetworkReply *reply = take_reply(reply_GetSoftCar);
    if (!reply)
        return;
    if (reply->error() != QNetworkReply::NoError) {
        show_box("Error!", "Server connection error");
        server_error = true;
    } else {
        soft_file.clear();
        soft_file = reply->readAll();
    }
    finish_reply(reply);
}

void MainWindow::finishedSlot_PostSettingsOk()
{
    QNetworkReply *reply = take_reply(reply_PostSettingsOk);
    if (!reply)
        return;
    if (reply->error() != QNetworkReply::NoError)
        show_box("Error!", "Server connection error");
    else
        reply->readAll();
    finish_reply(reply);
}
