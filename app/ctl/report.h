#ifndef CTL_REPORT_H
#define CTL_REPORT_H

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include "app/session.h"

// What orvctl tells: the device as read, the boxes the sequences showed, the exit
// status and its error, for a person (text) or a program (one JSON object).
namespace ctl {

// The exit statuses.
enum Status {
    done = 0,
    no_device = 2,       // none, it cannot be opened, or it is in use
    device_failed = 3,   // the device failed and nothing changed in it
    server_failed = 4,   // the server failed and nothing was written
    incomplete = 5,      // written, but the sequence did not end well
    refused = 6,         // refused before anything was sent
    usage = 64,
    interrupted = 130,
};

int status_of_identify(session::Identified identified, bool server_needed, bool server_error);
int status_of_write(const session::WriteResult &result);
int status_of_install(session::InstallStage stage);
// The stable word of an error status for the JSON's "error" object ("device-failed").
QString error_code(int status);

// The device as identification or the read-back left it; never its key.
struct DeviceReport
{
    QString path;
    QString serial_number, model, firmware, hardware, config_id;
    bool configured = false;
    QString brand, vehicle_model, engine, power, torque, software_label;
    int drive_mode = -1;            // -1: not offered
    int indication = -1;            // 1 on, 0 off, -1 not read
    bool auto_standby = false;
    QString standby;                // "U", "S" or "NOT SELECTED"
    bool auto_protocol = false;
    int protocol = -1;              // protocol number, -1 none or unknown
    int protocol_bit = -1;          // the bit the device reported, -1 none
    QList<int> active;              // protocol numbers active on the bus
    int configurations_left = -1;   // -1: the server was not asked
};

// The model's name from the serial number: "OR", "OR+" or empty.
QString model_name(const QString &serial_number);
QString drive_mode_name(int mode);  // "stock", "eco", "dynamic"; empty for another value

// A box of the sequences, translated.
struct Box
{
    QString title, text, informative;
    bool error() const { return title.startsWith(QLatin1String("Error")); }
};
QString box_line(const Box &box);   // the text, and the informative text on the next line

// Device texts made safe for a terminal: control characters become '?'.
QString printable(const QString &text);

// The device as lines "name: value"; `protocol_names` index = protocol number.
QString device_text(const DeviceReport &device, const QStringList &protocol_names);
QJsonObject device_json(const DeviceReport &device, const QStringList &protocol_names);

// One command's whole outcome, as --json prints it.
struct Outcome
{
    QString command;
    int status = done;
    QJsonObject data;
    QList<Box> boxes;
    QString error_message;  // with a status other than done
    QString error_word;     // a finer word than the status gives ("in-use"); may be empty
};
QByteArray outcome_json(const Outcome &outcome);

} // namespace ctl

#endif // CTL_REPORT_H
