#ifndef DECODE_H
#define DECODE_H

#include <QByteArray>
#include <QList>
#include <QString>

// The device's query replies (the echoed query code already removed) turned
// into values. A byte the reply lacks counts as 0; nothing here can fail.
namespace decode {

// Text up to the first zero byte (or the end), as UTF-8. Bytes that are not
// valid UTF-8 become replacement characters.
QString text(const QByteArray &reply);

// Queries 0x0B and 0x0C: five byte values in decimal joined by "." (1.0.3.0.12).
QString version(const QByteArray &reply);

// Query 0x0D: 0x04, then the key text. `valid` is false without the 0x04 marker.
struct Key {
    bool valid = false;
    QString key;       // the key text without its marker
    QString auth_key;  // the key percent-encoded for the server (api::encoded_id)
};
Key device_key(const QByteArray &reply);

// Query 0x1B: one decimal digit per byte, most significant first (0x01 0x02 = 12).
// Saturates at the largest int.
int digits(const QByteArray &reply);

// A serial number or key the server may be given: not empty, and nothing but
// printable ASCII (0x20 to 0x7E), so it can go into a header as it is.
bool printable_ascii(const QString &text);

// Query 0x1C: 0 stock, 1 eco, 2 dynamic (other values are returned as they are).
int drive_mode(const QByteArray &reply);

// Query 0x34: two bytes big-endian; 0 = indication off.
int indication(const QByteArray &reply);

// The flags byte (protocol.h) and 16-bit protocol mask of query 0x32.
struct Settings {
    QString standby;          // "U", "S" or "NOT SELECTED"
    bool auto_standby = false;
    bool auto_protocol = false;
    int protocol_bit = -1;    // lowest protocol bit set (low byte first), -1 = none
    int protocol_index = -1;  // the protocol to show: protocol::canonical(protocol_bit)
};
Settings settings(const QByteArray &reply);

// Query 0x33: protocol numbers active on the bus, low byte's bits first.
QList<int> active_protocols(const QByteArray &reply);

// Bit n of `byte`, n = 0 the lowest; false for an n outside 0 to 7.
bool bit(int byte, int n);

} // namespace decode

#endif // DECODE_H
