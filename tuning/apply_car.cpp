// Installing a vehicle: the chosen engine's settings record and software come
// from the server, go into the device, and the installation is reported.
// One run, inside this click; every path ends in the same finish.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "app/app_state.h"
#include "app/combo_items.h"
#include "app/mainwindow.h"
#include "app/message_box.h"
#include "app/sequence_guard.h"
#include "app/shown_text.h"
#include "app/style_sheets.h"
#include "app/wait.h"
#include "app/widget_snapshot.h"
#include "device/device_state.h"
#include "device/framing.h"
#include "device/usb_state.h"
#include "server/api.h"
#include "server/reply_checks.h"
#include "server/server_state.h"
#include "tuning/tuning_state.h"
#include "tuning/vehicle_messages.h"
#include "ui_mainwindow.h"

void MainWindow::on_pushButton_apply_car_clicked()
{
    SequenceGuard guard;
    if (guard.refused())
        return;

    close_vehicle_popups();
    disable_widgets();
    // Nothing else may start a device or server sequence while the run waits:
    // the controls that disable_widgets leaves alone are locked too, and
    // unlocked as they were when the run is over.
    WidgetLock others({ui->pushButton_dynamic, ui->pushButton_eco, ui->pushButton_stock, ui->pushButton_stby_u,
                       ui->pushButton_stby_s, ui->checkBox_auto_stby, ui->checkBox_auto_proto,
                       ui->pushButton_marka, ui->pushButton_model, ui->pushButton_model_exactly});
    sheets::set(ui->pushButton_apply_car, sheets::button(lang_folder + "/apply_car_press.png"));
    show_loading();

    const bool chosen = ui->comboBox_marka->currentIndex() != 0 && ui->comboBox_model->currentIndex() != 0
                        && ui->comboBox_model_exactly->currentIndex() != 0;
    // The chosen items, by their place in the server's lists: a shown text may
    // be cut, and only the item says which of two equal texts was meant.
    const int engine = chosen_position(ui->comboBox_model_exactly);
    const bool engine_known = engine >= 0 && engine < modif_ids.size() && engine < modif_items.size()
                              && engine < modif_titles.size() && engine < modif_power.size()
                              && engine < modif_moment.size();
    const QString brand = marka_titles.value(chosen_position(ui->comboBox_marka), ui->comboBox_marka->currentText());
    const QString model = model_titles.value(chosen_position(ui->comboBox_model), ui->comboBox_model->currentText());
    bool installed = false;
    bool wrote = false;

    if (!chosen) {
        hide_loading();
        show_box("Error!", "Please select your vehicle!");
    } else if (avail_config <= 0) {
        hide_loading();
        show_box("Error", "No tuning files!");
    } else if (!engine_known) {
        // Never install another vehicle than the one chosen.
        hide_loading();
        show_box("Error!", "Please select your vehicle!");
    } else {
        reset_usb_error();
        reset_server_error();
        vehicle_id = modif_ids.at(engine);
        const QString engine_text = modif_items.at(engine);

        VehicleRecord record;
        // An id that is empty or a dot segment is an unusable reply: never asked about.
        bool go = api::usable_id(vehicle_id);
        if (!go)
            show_box("Error!", "Server connection error");
        go = go && server_request(Endpoint::Settings, api::settings_path(vehicle_id, auth_key)) && !server_error;
        if (go)
            go = server_request(Endpoint::Software, api::software_path(software_id, auth_key)) && !server_error;
        if (go) {
            record = {vehicle_id, brand, model, modif_titles.at(engine), modif_power.at(engine),
                      modif_moment.at(engine), software_id, avail_config, soft_file};
            // The device takes nothing longer than its 16-bit offsets address:
            // refuse before the first message rather than leave half a vehicle.
            // The software file is the last message; the others carry the
            // vehicle's texts.
            const QList<QByteArray> messages = vehicle_messages(record);
            for (int i = 0; go && i < messages.size(); ++i) {
                if (messages.at(i).size() <= framing::max_message)
                    continue;
                if (i == messages.size() - 1)
                    show_box("Error!", "Software file too large for the device! Nothing was written.");
                else
                    show_box("Error!", "Vehicle data too long for the device! Nothing was written.");
                go = false;
            }
        }
        if (go) {
            wrote = true;
            go = write_vehicle(record);
        }
        if (go) {
            const InstallReport reporting;
            server_request(Endpoint::InstallSuccess, api::install_success_path(),
                           api::install_success_body(settings_id));
            go = !server_error;
        }
        if (go) {
            server_request(Endpoint::LimitInfo, api::limit_path());

            others.release();
            sheets::set(ui->label_marka_model, sheets::text_only());
            ui->label_marka_model->setText(shown_text(brand + "   " + model));
            ui->label_modif_power_torque->setText(shown_text(engine_text));
            ui->label_software->setText(shown_text(software_id));
            sheets::set(ui->label_text_select_vehicle, sheets::label(lang_folder + "/text_select_new_vehicle.png"));
            // The write set automatic standby and protocol, and DYNAMIC.
            show_settings_word(vehicle_settings_word());
            select_drive_mode(2);
            ui->label_avail_config->setText(QString::number(avail_config));
            hide_loading();
            installed = true;
            // The window repaints in a turn of its own before the box is made.
            wait_pause(1);
            show_box("Info", "Vehicle is changed!");
        }
        // The file is not needed once it is in the device (or is not going to be).
        soft_file = QByteArray();
    }

    // Finish, on every path.
    hide_loading();
    sheets::set(ui->pushButton_apply_car, sheets::button(lang_folder + "/apply_car_on.png"));
    others.release();
    enable_widgets();
    ui->comboBox_marka->setCurrentIndex(0);
    show_placeholder_only(ui->comboBox_model, QStringLiteral("MODEL"));
    show_placeholder_only(ui->comboBox_model_exactly, QStringLiteral("ENGINE"));

    // The device may hold part of the new vehicle and its settings, or all of
    // it without the report: the window shows what it really holds.
    if (wrote && !installed)
        read_back_device();
}

void MainWindow::finishedSlot_GetSets()
{
    QNetworkReply *reply = take_reply(reply_GetSets);
    if (!reply)
        return;
    const api::SettingsRecord record =
        reply_failed(reply) ? api::SettingsRecord() : api::settings_record(api::result_of(reply->readAll()));
    if (record.valid) {
        software_id = record.software_id;
        settings_id = record.id;
    } else {
        // Without a software id and a settings id there is nothing to install.
        show_box("Error!", "Server connection error");
        report_server_error();
    }
    finish_reply(reply);
}

void MainWindow::finishedSlot_GetSoftCar()
{
    QNetworkReply *reply = take_reply(reply_GetSoftCar);
    if (!reply)
        return;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray type = reply->rawHeader("Content-Type");
    // Only a reply that may be the file can be a file too large; a large error
    // page (a proxy's, a portal's) is a server error like a small one.
    const bool may_be_file = api::software_reply_acceptable(status, type);
    soft_file.clear();
    if (may_be_file && reply_too_large(reply)) {
        show_box("Error!", "Software file too large for the device! Nothing was written.");
        report_server_error();
    } else if (reply_failed(reply) || !api::software_file_acceptable(status, type, reply->bytesAvailable())) {
        // A "moved" page, an error text or an empty answer is not chip software.
        show_box("Error!", "Server connection error");
        report_server_error();
    } else {
        soft_file = reply->readAll();
    }
    finish_reply(reply);
}

void MainWindow::finishedSlot_PostSettingsOk()
{
    QNetworkReply *reply = take_reply(reply_PostSettingsOk);
    if (!reply)
        return;
    if (reply_failed(reply)) {
        // The device holds the vehicle, but the installation was not taken:
        // no success is claimed, and the window reads back what the device holds.
        show_box("Error!", "Server connection error");
        report_server_error();
    } else {
        reply->readAll();
    }
    finish_reply(reply);
}
