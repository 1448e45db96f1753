// The wire format of the simulated device: its USB ids, base64 report text (read leniently: what is not base64 is skipped), report size, the
// query codes, and the checksum of the software file message.
#pragma once

#include <QByteArray>

namespace sim_wire {

constexpr quint16 vendor_id = 0x1FC9;
constexpr quint16 product_id = 0x0087;
constexpr quint16 indication_on = 0x003C;  // what the host writes for on
constexpr int report_size = 64;
constexpr quint8 query_code = 0x09;
constexpr quint8 key_query = 13;
constexpr quint8 key_marker = 0x04;

QByteArray make_report(const QByteArray &packet);   // 64 bytes of text
// Checksum bytes of the software file message for the sum S = 0x1E + file bytes.
QByteArray checksum_bytes(quint64 sum);

}  // namespace sim_wire
