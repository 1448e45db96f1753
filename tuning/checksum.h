#ifndef CHECKSUM_H
#define CHECKSUM_H

#include <QByteArray>

// The checksum the device expects after a software file. S is the sum of 0x1E
// and every file byte; S as lower-case hex text of at least four digits is read
// in pairs from the right, each pair one byte, as long as a whole pair remains.
// Up to 0xFFFF that is S low byte first; a longer text with an odd number of
// digits loses its first digit (0x12345 gives 0x45 0x23). This is the device's
// format and must stay exactly so.
QByteArray software_checksum(const QByteArray &file);

// 0x1E 0x00 0x00, the file byte for byte, then its checksum.
QByteArray software_message(const QByteArray &file);

#endif // CHECKSUM_H
