#include "tuning/vehicle_messages.h"

#include "device/messages.h"
#include "tuning/checksum.h"

QByteArray text_payload(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar unit : text)
        bytes.append(char(unit.unicode() <= 0xFF ? unit.unicode() : 0x00));
    return bytes;
}

QByteArray vehicle_settings_word()
{
    return QByteArray::fromHex("0c0000");
}

QList<QByteArray> vehicle_messages(const VehicleRecord &record)
{
    using message::Code;
    using message::command;
    return message::write_sequence({
               command(Code::ConfigId, text_payload(record.vehicle_id)),
               command(Code::Brand, text_payload(record.brand)),
               command(Code::Model, text_payload(record.model)),
               command(Code::Engine, text_payload(record.title)),
               command(Code::Power, text_payload(record.power)),
               command(Code::Torque, text_payload(record.torque)),
               command(Code::SoftwareLabel, text_payload(record.software_id)),
               command(Code::Settings, vehicle_settings_word()),
               command(Code::DriveMode, QByteArray(1, char(0x02))),
               command(Code::ConfigCount, QByteArray(1, char(record.avail_config & 0xFF))),
           })
           + QList<QByteArray>{software_message(record.soft_file)};
}
