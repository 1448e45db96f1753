#pragma once

#include <QString>
#include <QVector>

namespace picgen {

// Every caption that is drawn into a language picture. The window shows no fixed text of
// its own, so this is the whole user interface vocabulary apart from message boxes.
struct Captions {
    QString folder; // resource folder of the language

    // Pictures shown by widgets.
    QString no_device;
    QString no_vehicle;
    QString select_vehicle;
    QString select_new_vehicle;
    QString drive_modes;
    QString no_errors;
    QString apply_car;
    QString apply_settings;
    QString send_errors;
    QString clear_errors;

    // Fixed captions of the window background.
    QString installed_vehicle;
    QString vehicle_selection;
    QString configs_left;
    QString indication;
    QString protocol;
    QString automatic;
    QString pin_selected;
    QString pin_active;
    QString standby;
    QString errors;
    QString device_info;
    QString serial_number;
    QString firmware;
    QString hardware;
    QString software;
    QString protocol_info;
    QString standby_info;
};

QVector<Captions> all_captions();

} // namespace picgen
