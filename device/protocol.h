#ifndef PROTOCOL_H
#define PROTOCOL_H

#include <QStringList>

#include <iterator>

// What the configurator knows of the device besides its message codes (messages.h) and the
// framing of its packets (framing.h): how it is found on USB, the flags of its settings
// word, its bus protocols with the connector pins they use, and its indication value.
namespace protocol {

// The device on USB.
constexpr unsigned short vendor_id = 0x1FC9;
constexpr unsigned short product_id = 0x0087;

// The flags byte of the settings word (Code::Settings, 0x32), written and read back alike:
// standby S or U (neither: none selected), automatic standby, automatic protocol (the
// protocol mask is then 0x00 0x00).
constexpr int standby_s = 0x01;
constexpr int standby_u = 0x02;
constexpr int auto_standby = 0x04;
constexpr int auto_protocol = 0x08;

// Code::Indication (0x34) takes and reports two bytes big-endian: 0x00 0x3C is written for
// on, 0x00 0x00 for off; any value but 0 reads as on.
constexpr int indication_on = 0x003C;

// The bus protocols, index = protocol number: the bit of the protocol masks (Code::Settings,
// Code::PinActivity) and the item of the protocol list. Each uses one or two pins of the
// 16-pin OBD connector (0: no second pin). Numbers 12 to 14 have no name and no pins.
struct BusProtocol {
    const char *name;
    int pins[2];
};
constexpr BusProtocol bus_protocols[] = {
    {"HS CAN", {6, 14}},    {"TOEM", {7, 9}},       {"MS CAN", {3, 11}},    {"SW CAN", {1, 0}},
    {"K L Line", {7, 15}},  {"K Line", {7, 0}},     {"J1850 PWM", {2, 10}}, {"J1850 VPW", {2, 0}},
    {"Nis 1", {11, 12}},    {"Nis 2", {12, 13}},    {"OEM 1", {7, 11}},     {"OEM 2", {7, 14}},
};
constexpr int protocol_count = int(std::size(bus_protocols));

// The device also reports HS CAN as number 15: the protocol a number stands for.
constexpr int hs_can_again = 15;
constexpr int canonical(int number)
{
    return number == hs_can_again ? 0 : number;
}

// The protocol names, index = protocol number.
inline QStringList names()
{
    QStringList out;
    for (const BusProtocol &p : bus_protocols)
        out << QString::fromLatin1(p.name);
    return out;
}

} // namespace protocol

#endif // PROTOCOL_H
