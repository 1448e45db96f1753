#ifndef MESSAGES_H
#define MESSAGES_H

#include <QByteArray>
#include <QList>
#include <QString>

// The device's messages: every code the configurator sends or reads, and the
// builders of the messages. How a message travels in packets: framing.h.
//
// A query is 0x09 and a query code (and an argument); the device's reply
// starts with that code. Any other first byte is a plain command, which the
// device answers with 0xF0. The codes that read a stored value (0x14 to 0x1B,
// 0x1C, 0x32, 0x34) are also the commands that write it.
namespace message {

enum class Code : unsigned char {
    Open = 0x03,           // opens every write sequence
    Query = 0x09,          // first byte of every query
    SerialNumber = 0x0A,   // text
    Hardware = 0x0B,       // five version bytes
    Firmware = 0x0C,       // five version bytes
    Key = 0x0D,            // queried with the argument key_marker; the reply repeats it
    ConfigId = 0x14,       // the installed vehicle's id; "ROVUncfg_CID" = none
    Brand = 0x15,          // the stored vehicle's texts, 0x15 to 0x19
    Model = 0x16,
    Engine = 0x17,
    Power = 0x18,
    Torque = 0x19,
    SoftwareLabel = 0x1A,  // text
    ConfigCount = 0x1B,    // configurations left, one decimal digit per byte
    DriveMode = 0x1C,      // 0 stock, 1 eco, 2 dynamic
    SoftwareFile = 0x1E,   // written only: 0x00 0x00, the file, its checksum
    Apply = 0x21,          // follows the setting messages of a write sequence
    Close = 0x24,          // closes every write sequence
    Settings = 0x32,       // flags, protocol mask high byte, low byte
    PinActivity = 0x33,    // activity mask high byte, low byte
    Indication = 0x34,     // two bytes big-endian, 0 = off
};

// The argument of the key query, repeated as the first byte of its reply.
constexpr char key_marker = 0x04;

// 0x09 and the code; the key query with its argument.
QByteArray query(Code code);

// The code followed by its payload.
QByteArray command(Code code, const QByteArray &payload = QByteArray());

// Every write goes in the same bracket: 0x03, the setting messages, 0x21, 0x24.
QList<QByteArray> write_sequence(const QList<QByteArray> &settings);

// The device model, told by the serial number's first two characters: "10" is
// the OR, "11" the OR+, which alone has drive modes.
enum class Model { Unknown, OR, ORPlus };
Model device_model(const QString &serial);

} // namespace message

#endif // MESSAGES_H
