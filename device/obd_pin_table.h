#ifndef OBD_PIN_TABLE_H
#define OBD_PIN_TABLE_H

#include <QList>

// Connector pins (1..16) of the 16-pin OBD socket that a bus protocol uses
// (protocol.h). Protocol numbers 12 to 14 use none; 15 is read as 0; numbers
// outside 0..15 have no pins.
QList<int> protocol_pins(int number);

#endif // OBD_PIN_TABLE_H
