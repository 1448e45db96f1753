#include "device/obd_pin_table.h"

QList<int> protocol_pins(int protocol)
{
    switch (protocol) {
    case 0:
    case 15: return {6, 14};  // HS CAN
    case 1: return {7, 9};    // TOEM
    case 2: return {3, 11};   // MS CAN
    case 3: return {1};       // SW CAN
    case 4: return {7, 15};   // K L Line
    case 5: return {7};       // K Line
    case 6: return {2, 10};   // J1850 PWM
    case 7: return {2};       // J1850 VPW
    case 8: return {11, 12};  // Nis 1
    case 9: return {12, 13};  // Nis 2
    case 10: return {7, 11};  // OEM 1
    case 11: return {7, 14};  // OEM 2
    default: return {};
    }
}
