#include "tuning/vehicle_messages.h"

#include "tuning/checksum.h"

QByteArray text_payload(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar unit : text)
        bytes.append(char(unit.unicode() <= 0xFF ? unit.unicode() : 0x00));
    return bytes;
}

namespace {
QByteArray with_code(int code, const QByteArray &payload = QByteArray())
{
    return QByteArray(1, char(code)) + payload;
}
} // namespace

QList<QByteArray> vehicle_messages(const VehicleRecord &record)
{
    return {
        with_code(0x03),
        with_code(0x14, text_payload(record.vehicle_id)),
        with_code(0x15, text_payload(record.brand)),
        with_code(0x16, text_payload(record.model)),
        with_code(0x17, text_payload(record.title)),
        with_code(0x18, text_payload(record.power)),
        with_code(0x19, text_payload(record.torque)),
        with_code(0x1A, text_payload(record.software_id)),
        with_code(0x32, QByteArray::fromHex("0c0000")),
        with_code(0x1C, QByteArray(1, char(0x02))),
        with_code(0x1B, QByteArray(1, char(record.avail_config & 0xFF))),
        with_code(0x21),
        with_code(0x24),
        software_message(record.soft_file),
    };
}
