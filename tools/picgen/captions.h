#pragma once

#include <QString>
#include <QVector>

namespace picgen {

// Every caption that is drawn into a language picture. The window shows no fixed text of
// its own, so this is the whole user interface vocabulary apart from message boxes.
struct Captions {
    QString folder; // resource folder of the language

    // Pictures shown by widgets.
    QString noDevice;
    QString noVehicle;
    QString selectVehicle;
    QString selectNewVehicle;
    QString driveModes;
    QString noErrors;
    QString applyCar;
    QString applySettings;
    QString sendErrors;
    QString clearErrors;

    // Fixed captions of the window background.
    QString installedVehicle;
    QString vehicleSelection;
    QString configsLeft;
    QString indication;
    QString protocol;
    QString automatic;
    QString pinSelected;
    QString pinActive;
    QString standby;
    QString errors;
    QString deviceInfo;
    QString serialNumber;
    QString firmware;
    QString hardware;
    QString software;
    QString protocolInfo;
    QString standbyInfo;
};

QVector<Captions> allCaptions();

} // namespace picgen
