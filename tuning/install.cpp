// Installing a vehicle: the chosen engine's settings record and software come from
// the server, go into the device, and the installation is reported. One run; the
// face shows it through its View and reads back a device written but not installed.

#include <QNetworkReply>
#include <QNetworkRequest>

#include "app/boxes.h"
#include "app/session_face.h"
#include "app/wait.h"
#include "device/device_state.h"
#include "device/framing.h"
#include "device/link.h"
#include "device/messages.h"
#include "device/usb_state.h"
#include "server/api.h"
#include "server/reply_checks.h"
#include "server/request.h"
#include "server/server_state.h"
#include "tuning/tuning_state.h"
#include "tuning/vehicle_messages.h"

namespace {

// Writes the vehicle, its default settings and the software file into the device.
// Any exchange that fails stops the write: the device then holds part of the new
// vehicle, and the installation is not reported.
bool write_vehicle(const VehicleRecord &record)
{
    const DeviceWrite writing;
    const QList<QByteArray> messages = vehicle_messages(record);
    for (int i = 0; i < messages.size(); ++i) {
        const bool software = i == messages.size() - 1;
        if (software)
            session::view().transfer_visible(true);
        const bool ok = link::exchange(messages.at(i));
        if (software)
            session::view().transfer_visible(false);
        if (!ok)
            return false;
    }
    return true;
}

// The installation from the first request on; the choice is a known engine.
session::InstallStage install(const session::InstallChoice &choice)
{
    using session::InstallStage;
    const int engine = choice.engine;
    reset_usb_error();
    reset_server_error();
    vehicle_id = modif_ids.at(engine);
    const QString engine_text = modif_items.at(engine);

    // An id that is empty or a dot segment is an unusable reply: never asked about.
    if (!api::usable_id(vehicle_id)) {
        show_box("Error!", "Server connection error");
        return InstallStage::ServerFailed;
    }
    if (!server_request(Endpoint::Settings, api::settings_path(vehicle_id, auth_key)) || server_error)
        return InstallStage::ServerFailed;
    if (!server_request(Endpoint::Software, api::software_path(software_id, auth_key)) || server_error)
        return InstallStage::ServerFailed;

    const VehicleRecord record{vehicle_id,           choice.brand, choice.model, modif_titles.at(engine),
                               modif_power.at(engine), modif_moment.at(engine), software_id, avail_config,
                               soft_file};
    // The device takes nothing longer than its 16-bit offsets address: refuse
    // before the first message rather than leave half a vehicle. The software file
    // is the last message; the others carry the vehicle's texts.
    const QList<QByteArray> messages = vehicle_messages(record);
    for (int i = 0; i < messages.size(); ++i) {
        if (messages.at(i).size() <= framing::max_message)
            continue;
        if (i == messages.size() - 1)
            show_box("Error!", "Software file too large for the device! Nothing was written.");
        else
            show_box("Error!", "Vehicle data too long for the device! Nothing was written.");
        return InstallStage::Refused;
    }

    if (!write_vehicle(record))
        return InstallStage::Written;
    {
        const InstallReport reporting;
        server_request(Endpoint::InstallSuccess, api::install_success_path(), api::install_success_body(settings_id));
        if (server_error)
            return InstallStage::Written;
    }
    server_request(Endpoint::LimitInfo, api::limit_path());

    // The write set automatic standby and protocol, and DYNAMIC; the device holds
    // the new vehicle.
    config_id = vehicle_id;
    car_brand = choice.brand;
    car_model = choice.model;
    car_engine = modif_titles.at(engine);
    car_power = modif_power.at(engine);
    car_torque = modif_moment.at(engine);
    software_label = software_id;
    decode_into_state(int(message::Code::Settings), vehicle_settings_word());
    drive_mode = 2;
    session::view().vehicle_installed(choice.brand, choice.model, engine_text);
    // The face repaints in a turn of its own before the box is made.
    wait_pause(1);
    show_box("Info", "Vehicle is changed!");
    return InstallStage::Installed;
}

} // namespace

session::InstallResult session::install_vehicle(const InstallChoice &choice)
{
    const int engine = choice.engine;
    const bool engine_known = engine >= 0 && engine < modif_ids.size() && engine < modif_items.size()
                              && engine < modif_titles.size() && engine < modif_power.size()
                              && engine < modif_moment.size();
    InstallResult result;
    if (!choice.chosen) {
        view().install_stops();
        show_box("Error!", "Please select your vehicle!");
    } else if (avail_config <= 0) {
        view().install_stops();
        show_box("Error", "No tuning files!");
    } else if (!engine_known) {
        // Never install another vehicle than the one chosen.
        view().install_stops();
        show_box("Error!", "Please select your vehicle!");
    } else {
        result.stage = install(choice);
        // The file is not needed once it is in the device (or is not going to be).
        soft_file = QByteArray();
    }
    return result;
}

void finish_settings_record()
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

void finish_software()
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

void finish_install_report()
{
    QNetworkReply *reply = take_reply(reply_PostSettingsOk);
    if (!reply)
        return;
    if (reply_failed(reply)) {
        // The device holds the vehicle, but the installation was not taken: no
        // success is claimed, and the face reads back what the device holds.
        show_box("Error!", "Server connection error");
        report_server_error();
    } else {
        reply->readAll();
    }
    finish_reply(reply);
}
