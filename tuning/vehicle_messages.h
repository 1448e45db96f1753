#ifndef VEHICLE_MESSAGES_H
#define VEHICLE_MESSAGES_H

#include <QByteArray>
#include <QList>
#include <QString>

#include "device/framing.h"

// What a vehicle installation writes into the device.
struct VehicleRecord {
    QString vehicle_id;
    QString brand;
    QString model;
    QString title;      // engine title
    QString power;      // without its unit
    QString torque;     // without its unit
    QString software_id;
    int avail_config = 0;
    QByteArray soft_file;
};

// The largest software file one device message could carry: of what the
// 16-bit offsets address, the code, two zero bytes and at least two checksum
// bytes are not the file. A download is given up beyond it.
constexpr int max_software_file = framing::max_message - 3 - 2;

// A text as the device stores it: one byte per UTF-16 code unit, its value up
// to 0xFF and 0x00 above; no length and no terminator.
QByteArray text_payload(const QString &text);

// The settings word an installation writes: automatic standby and automatic
// protocol, no protocol bit (0x0C 0x00 0x00).
QByteArray vehicle_settings_word();

// The fourteen messages in order: 0x03; 0x14..0x1A vehicle id, brand, model,
// engine title, power, torque, software id; 0x32 0x0C 0x00 0x00 (automatic
// standby and protocol); 0x1C 0x02 (DYNAMIC); 0x1B low 8 bits of the count;
// 0x21; 0x24; the software file message.
QList<QByteArray> vehicle_messages(const VehicleRecord &record);

#endif // VEHICLE_MESSAGES_H
